-- (4) A declared array of 10^6 numbers filled and summed, then 2,000 of
-- them sorted with a script insertion sort.
local a = {}
for i = 0, 999999 do
  a[i] = (i * 7919) % 1000003
end
local total = 0
for i = 0, 999999 do
  total = total + a[i]
end
print(total)
local b = {}
for i = 0, 1999 do
  b[i] = a[i * 37]
end
for i = 1, 1999 do
  local v = b[i]
  local j = i - 1
  while j >= 0 do
    if b[j] <= v then
      break
    end
    b[j + 1] = b[j]
    j = j - 1
  end
  b[j + 1] = v
end
local check = 0
for i = 0, 1999 do
  check = (check * 31 + b[i]) % 1000000007
end
print(b[0] + b[1999] + check)
