-- (7) A recursive quicksort of 10^5 numbers through a VAR array parameter
-- (a Lua table is passed by reference). The numbers come from the
-- Park-Miller generator (x = x * 16807 MOD 2^31 - 1).
local function qs(a, lo, hi)
  local i = lo
  local j = hi
  local p = a[(lo + hi) // 2]
  while i <= j do
    while a[i] < p do
      i = i + 1
    end
    while a[j] > p do
      j = j - 1
    end
    if i <= j then
      local t = a[i]
      a[i] = a[j]
      a[j] = t
      i = i + 1
      j = j - 1
    end
  end
  if lo < j then
    qs(a, lo, j)
  end
  if i < hi then
    qs(a, i, hi)
  end
end

local a = {}
local x = 12345
for i = 0, 99999 do
  x = (x * 16807) % 2147483647
  a[i] = x
end
qs(a, 0, 99999)
local bad = 0
local check = 0
for i = 0, 99999 do
  if i > 0 then
    if a[i - 1] > a[i] then
      bad = bad + 1
    end
  end
  check = (check * 31 + a[i]) % 1000000007
end
print(bad)
print(a[0] + a[99999] + check)
