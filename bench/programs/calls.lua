-- (3) User function calls: recursive Fibonacci of 25, and a procedure with
-- VAR parameters called 10^5 times (Lua passes a one-element table for
-- each VAR parameter, its nearest form of a by-reference argument).
local function fib(n)
  if n < 2 then
    return n
  else
    return fib(n - 1) + fib(n - 2)
  end
end

local function bump(x, y, step)
  x[1] = x[1] + step
  y[1] = y[1] + 1
end

print(fib(25))
local a = {0}
local b = {0}
for i = 1, 100000 do
  bump(a, b, i)
end
print(a[1] + b[1])
