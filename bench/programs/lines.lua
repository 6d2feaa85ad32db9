-- (8) A text of 10^5 lines built with s = s + line + "<#CR>" (CR LF), then
-- its length and a checksum of the characters at 100 positions. Lua texts
-- are immutable: each line copies the text built so far.
local s = ""
for i = 1, 100000 do
  local line = "L" .. i
  s = s .. line .. "\r\n"
end
local n = #s
local check = 0
for j = 1, 100 do
  local p = (j * 7919) % n + 1
  check = check + string.byte(s, p) * j
end
print(n)
print(check)
