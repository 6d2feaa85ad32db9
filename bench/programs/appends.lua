-- (6) A text built by 10^5 appends of short items (s = s + w), then
-- 2x10^4 COPY and POS on pieces of the result. Lua texts are immutable:
-- each append copies the text built so far.
local s = ""
for i = 1, 100000 do
  local w = "k" .. (i % 97) .. ";"
  s = s .. w
end
local n = #s
local total = 0
for j = 1, 20000 do
  local p = (j * 7919) % (n - 12) + 1
  local piece = string.sub(s, p, p + 11)
  total = total + (string.find(piece, ";", 1, true) or 0) + (string.find(piece, "k5", 1, true) or 0)
end
print(n)
print(total)
