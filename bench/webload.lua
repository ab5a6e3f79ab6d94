-- wrk script for the web front end: what a page and a person's taps send, at load.
--
--   wrk -t2 -c16 -d5s -s bench/webload.lua http://127.0.0.1:PORT/ -- MODE TOKEN
--
-- MODE:
--   mix    page loads, assets, state reads and every kind of input the main window takes:
--          activations (each starts a background refresh when the window is idle), check-box
--          taps, Refresh, Clean, About, Soft Reset (answered Yes), tap and hold with its pop-up,
--          message boxes answered with Enter. For the load test, whose device only counts
--          soft resets.
--   page   the page and its two assets, as a browser loads them
--   static one asset (style.css) only: the server's own cost, the baseline for the others
--   state  the state document only (what a page reads when it reconnects)
--   input  inputs that a page sends while a person works: check-box taps, selections and
--          activations of the main window (nothing that ends the program or resets the device)
--
-- Every request carries the token. The handles the inputs need (the main window, the message
-- box or pop-up on top) are read from the state documents this script fetches; until the main
-- window is known every request is a state read. done() prints one line
--   WEBLOAD key=value ...
-- with the requests sent per kind, the answers per status, refusals that were not expected
-- (bad), wrk's socket errors, and requests/s and latency.

mode = "mix"
local token = ""
local n = 0
local main, clean, mbox, popup = nil, nil, nil, nil
sent = {}
status = {}
bad = 0
badsample = ""

local threads = {}

function setup(thread)
  table.insert(threads, thread)
end

function init(args)
  mode = args[1] or "mix"
  token = args[2] or ""
end

local function count(t, k)
  t[k] = (t[k] or 0) + 1
end

local function get(kind, path)
  count(sent, kind)
  local sep = path:find("?", 1, true) and "&" or "?"
  return wrk.format("GET", path .. sep .. "token=" .. token)
end

local function post(kind, body)
  count(sent, kind)
  return wrk.format("POST", "/input?token=" .. token,
                    { ["Content-Type"] = "application/json" }, body)
end

local function input(win, action, extra)
  local body = '{"window":' .. win .. ',"action":"' .. action .. '"'
  if extra then body = body .. "," .. extra end
  return body .. "}"
end

local function state()
  return get("state", "/state")
end

-- The main list is control 1019; rows 0 to 30.
local function check(i)
  local row = (i * 7) % 31
  local on = (math.floor(i / 16) % 2 == 0) and "true" or "false"
  return post("input", input(main, "check", '"control":1019,"row":' .. row .. ',"checked":' .. on))
end

local function answer()
  if mbox then return post("input", input(mbox, "key", '"key":"enter"')) end
  if popup then
    -- Select All, or close the pop-up without a choice.
    if n % 2 == 0 then return post("input", input(popup, "choose", '"command":10000')) end
    return post("input", input(popup, "dismiss"))
  end
  return state()
end

local mix = {
  function() return get("page", "/") end,
  function() return get("asset", "/app.js") end,
  function() return get("asset", "/style.css") end,
  state,
  function() return post("input", input(main, "activate")) end,
  function() return check(n) end,
  answer,
  function() return post("input", input(main, "activate")) end,
  state,
  function()
    local k = math.floor(n / 16) % 6
    if k == 0 and clean then return post("input", input(main, "softkey", '"index":' .. clean)) end
    if k == 1 then return post("input", input(main, "menu", '"command":1016')) end  -- About
    if k == 2 then return post("input", input(main, "menu", '"command":1025')) end  -- Soft Reset
    if k == 3 then  -- select a row; a later tap and hold opens its pop-up
      return post("input", input(main, "select", '"control":1019,"row":' .. (n % 31)))
    end
    if k == 4 then return post("input", input(main, "hold", '"control":1019,"x":20,"y":40')) end
    return post("input", input(main, "menu", '"command":32794'))  -- Refresh
  end,
  answer,
  function() return post("input", input(main, "activate")) end,
  function() return check(n + 3) end,
  state,
  answer,
  state,
}

local inputs = {
  function() return check(n) end,
  function() return post("input", input(main, "select", '"control":1019,"row":' .. (n % 31))) end,
  function() return check(n + 1) end,
  function() return post("input", input(main, "activate")) end,
}

function request()
  n = n + 1
  if mode == "page" then
    local k = n % 3
    if k == 0 then return get("page", "/") end
    return get("asset", k == 1 and "/app.js" or "/style.css")
  end
  if mode == "static" then return get("asset", "/style.css") end
  if mode == "state" or not main then return state() end
  if mode == "input" then return inputs[n % #inputs + 1]() end
  return mix[n % #mix + 1]()
end

-- Reads the handles from a state document. Keys come sorted, so the window kinds are told
-- apart by the key after "handle": a dialog's is "kind", a message box's "icon", a pop-up's
-- "items" (a control's is "id").
local function learn(body)
  if not main then
    main = body:match('"handle":(%d+),"kind":"dialog"')
    clean = body:match('"command":5,"enabled":true,"index":(%d+)')
  end
  mbox = body:match('"handle":(%d+),"icon":"[^"]*","kind":"messagebox"')
  popup = body:match('"handle":(%d+),"items":')
end

function response(code, headers, body)
  count(status, tostring(code))
  local ok
  if code == 200 then
    ok = #body > 0
    if body:sub(1, 8) == '{"busy":' then learn(body) end
  elseif code == 202 then
    ok = body:find('"ok":true', 1, true) ~= nil
  elseif code == 404 or code == 409 or code == 422 then
    -- A window that closed or another window above it, or an action the window no longer
    -- offers: the page sent what it was shown, and the state moved on meanwhile. Only input is
    -- refused so (its refusals are JSON); a page or asset that is not found is a fault.
    ok = body:sub(1, 1) == "{" and body:find('"ok":false', 1, true) ~= nil
  elseif code == 429 then
    -- Too many inputs waiting for the user-interface thread: the page is told to slow down.
    ok = body:find('"ok":false', 1, true) ~= nil
  else
    ok = false
  end
  if not ok then
    bad = bad + 1
    if #badsample == 0 then badsample = code .. ":" .. (body:sub(1, 80):gsub("%s", "_")) end
  end
end

function done(summary, latency, requests)
  local s, st, nbad, sample = {}, {}, 0, ""
  for _, t in ipairs(threads) do
    for k, v in pairs(t:get("sent") or {}) do s[k] = (s[k] or 0) + v end
    for k, v in pairs(t:get("status") or {}) do st[k] = (st[k] or 0) + v end
    nbad = nbad + (t:get("bad") or 0)
    if #sample == 0 then sample = t:get("badsample") or "" end
  end
  local out = { "WEBLOAD", "mode=" .. (threads[1] and threads[1]:get("mode") or mode) }
  local function add(k, v) table.insert(out, k .. "=" .. v) end
  add("requests", summary.requests)
  add("seconds", string.format("%.2f", summary.duration / 1e6))
  add("rps", string.format("%.0f", summary.requests / (summary.duration / 1e6)))
  for _, k in ipairs({ "page", "asset", "state", "input" }) do add("sent_" .. k, s[k] or 0) end
  local codes = {}
  for k in pairs(st) do table.insert(codes, k) end
  table.sort(codes)
  for _, k in ipairs(codes) do add("status_" .. k, st[k]) end
  add("bad", nbad)
  add("connect_errors", summary.errors.connect)
  add("read_errors", summary.errors.read)
  add("write_errors", summary.errors.write)
  add("timeouts", summary.errors.timeout)
  add("lat_mean_ms", string.format("%.2f", latency.mean / 1000))
  add("lat_p50_ms", string.format("%.2f", latency:percentile(50) / 1000))
  add("lat_p99_ms", string.format("%.2f", latency:percentile(99) / 1000))
  add("lat_max_ms", string.format("%.2f", latency.max / 1000))
  if #sample > 0 then add("bad_sample", sample) end
  print(table.concat(out, " "))
end
