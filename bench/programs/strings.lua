-- (2) String building and searching over 10^5 items: concatenation, COPY,
-- POS, REPLACE, SPLIT and JOIN. Lines of 100 items are built and searched,
-- so no step grows with the square of the item count.

-- Splits s at every sep (a plain text, not a pattern), keeping empty items.
local function split(s, sep)
  local parts, start = {}, 1
  while true do
    local at = string.find(s, sep, start, true)
    if not at then
      parts[#parts + 1] = string.sub(s, start)
      return parts
    end
    parts[#parts + 1] = string.sub(s, start, at - 1)
    start = at + #sep
  end
end

local total = 0
local line = ""
for i = 1, 100000 do
  local w = "k" .. i .. "x"
  line = line .. w .. " "
  total = total + string.find(w, "x", 1, true) + #string.sub(w, 2, 4)
  if i % 100 == 0 then
    total = total + (string.find(line, "k" .. (i - 50) .. "x", 1, true) or 0)
    local wide = string.gsub(line, "k", "key")
    local parts = split(wide, " ")
    total = total + #table.concat(parts, ",") + #parts
    line = ""
  end
end
print(total)
