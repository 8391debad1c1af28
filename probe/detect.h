// --detect: finds the user's provider by asking the retrackers of every city
// and provider in the directory at once, counting only a tracker's answer.
#pragma once

#include <string_view>

#include "probe/keswel.h"
#include "settings/settings_file.h"

// Probes every retracker of the directory at once (each URL once; a UDP one
// by the connect request, an http:// one by an announce that must get a
// tracker's reply; https:// ones cannot be proven and are left out), then
// prints the providers whose retrackers answered, most answers first, with
// their numbers. Providers answering only at public addresses are listed
// apart and never count. Exactly one counting provider: stored and probed as
// --select does, and that run's exit code. Several: listed, nothing stored,
// 0. None, or no network to try: one line, 1.
int detectProvider(const settings::RunPaths& run, const NetworkStart& startNetwork = platform::netStartup);

// True for an address (as platform::addressText gives it) that a provider
// keeps for its own network: IPv4 private (10/8, 172.16/12, 192.168/16),
// shared (100.64/10), loopback (127/8) and link-local (169.254/16); IPv6
// loopback, unique local (fc00::/7), link-local (fe80::/10), and IPv4-mapped
// addresses as their IPv4 address.
bool isProviderAddress(std::string_view address);
