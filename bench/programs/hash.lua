-- (5) A hash table with 10^5 inserts and 10^5 lookups (half of them miss).
local h = {}
for i = 1, 100000 do
  h["key" .. i] = i
end
local total = 0
local found = 0
for i = 1, 100000 do
  local k = "key" .. ((i * 7) % 200000)
  if h[k] ~= nil then
    total = total + h[k]
    found = found + 1
  end
end
print(total + found)
