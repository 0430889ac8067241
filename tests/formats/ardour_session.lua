-- Ardour's headless Lua (ardour7-lua) on a session with the plug-in on a
-- stereo track, for ardour_test.sh.
--   create DIR NAME TYPE ID VALUES: a session at 48 kHz; 3 s of the Dummy
--     backend's white noise recorded on the track; the plug-in added after
--     it (TYPE LV2 or VST3, ID its URI or class ID) and VALUES set
--     ("Name=value,..." in the parameters' units); saved.
--   reopen DIR NAME: every parameter of the plug-in as "READ Name=value";
--     saved again.
-- Prints "LISTED", "PARAMETERS n", "LATENCY n"; errors end the script.

local action, dir, name = arg[1], arg[2], arg[3]

-- The plug-in's n-th parameter (as LuaAPI counts them) of each name.
local function parameters(plugin)
	local p = plugin:to_insert():plugin(0)
	local byName = {}
	for n = 0, p:parameter_count() - 1 do
		local id, ok = p:nth_parameter(n, false)
		if ok and p:parameter_is_control(id) and p:parameter_is_input(id) then byName[p:parameter_label(id)] = n end
	end
	return byName
end

local function count(t)
	local n = 0
	for _ in pairs(t) do n = n + 1 end
	return n
end

if action == "create" then
	local type, id, values = arg[4], arg[5], arg[6]
	AudioEngine:set_backend("None (Dummy)", "", ""):set_device_name("Uniform White Noise")
	assert(create_session(dir, name, 48000), "no session")
	for p in ARDOUR.LuaAPI.list_plugins():iter() do
		if p.unique_id == id then print("LISTED") end
	end
	local track = Session:new_audio_track(2, 2, nil, 1, "T", ARDOUR.PresentationInfo.max_order,
		ARDOUR.TrackMode.Normal, true):front()
	track:panner_shell():set_bypassed(true)
	track:rec_enable_control():set_value(1, PBD.GroupControlDisposition.NoGroup)
	Session:maybe_enable_record(false)
	Session:request_roll(ARDOUR.TransportRequestSource.TRS_UI)
	ARDOUR.LuaAPI.usleep(3000000)
	Session:request_stop(false, false, ARDOUR.TransportRequestSource.TRS_UI)
	ARDOUR.LuaAPI.usleep(1000000)
	track:rec_enable_control():set_value(0, PBD.GroupControlDisposition.NoGroup)
	local regions = track:playlist():region_list()
	assert(regions:size() == 1, "nothing recorded")
	-- The recording starts a second into the session, whole: Ardour's
	-- declick at the start of the transport falls on silence, and the
	-- region has no fades.
	local region
	for r in regions:iter() do region = r:to_audioregion() end
	region:set_fade_in_active(false)
	region:set_fade_out_active(false)
	region:set_position(Temporal.timepos_t(48000))
	local range = Session:locations():session_range_location()
	range:set(Temporal.timepos_t(0), region:position() + region:length())

	local plugin = ARDOUR.LuaAPI.new_plugin(Session, id, ARDOUR.PluginType[type], "")
	assert(not plugin:isnil(), "no plug-in " .. id)
	track:add_processor_by_index(plugin, 0, nil, true)
	local byName = parameters(plugin)
	print("PARAMETERS " .. count(byName))
	for setting in string.gmatch(values, "[^,]+") do
		local label, value = string.match(setting, "(.+)=(.+)")
		assert(byName[label], "no parameter " .. label)
		assert(ARDOUR.LuaAPI.set_processor_param(plugin, byName[label], tonumber(value)), "cannot set " .. label)
	end
	print("LATENCY " .. plugin:to_insert():signal_latency())
	-- An LV2 plug-in takes its controls while it runs, as a running session
	-- gives it before a user saves.
	ARDOUR.LuaAPI.usleep(500000)
	Session:save_state("", false, false, false, false, false)
elseif action == "reopen" then
	assert(load_session(dir, name), "cannot reopen the session")
	local plugin = Session:route_by_name("T"):nth_plugin(0)
	for label, n in pairs(parameters(plugin)) do
		print("READ " .. label .. "=" .. ARDOUR.LuaAPI.get_processor_param(plugin, n, true))
	end
	-- saved again once the plug-in has run: its state as the export meets it
	ARDOUR.LuaAPI.usleep(500000)
	Session:save_state("", false, false, false, false, false)
end
close_session()
