-- (1) A tight FOR loop with arithmetic, MOD and IF over 10^6 iterations.
local total = 0
for i = 1, 1000000 do
  if i % 3 == 0 then
    total = total + i * 2
  else
    total = total - 1
  end
end
print(total)
