-- Default settings of the setup tool. Plain data: the tool runs this file
-- without any standard library.

OptionInfoList = {
	["Bgm_Volume"] = 100,
	["Effect_Volume"] = 90,
	["MouseExclusive"] = 0,
}

CmdOnOffList = {
	["/bgm"] = 1,
	["/sound"] = 1,
	["/notrade"] = 0,
	["/noshift"] = 0,
	["/noctrl"] = 0,
	["/skillfail"] = 1,
	["/notalkmsg"] = 0,
	["/notalkmsg2"] = 0,
	["/showname"] = 1,
	["/fog"] = 1,
	["/aura"] = 0,
	["/window"] = 0,
	["/miss"] = 0,
	["/effect"] = 1,
	["/shopping"] = 0,
	["/stateinfo"] = 0,
	["/loginout"] = 0,
	["/snap"] = 0,
	["/itemsnap"] = 0,
	["/camera"] = 0,
	["/hoai"] = 0,
	["/merai"] = 0,
	["/lightmap"] = 1,
}
