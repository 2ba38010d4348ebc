#pragma once
// Whether the user may change system-wide things: running as root, or a member of one of
// the groups "sudo", "wheel" or "admin". Any thread.

#include <string>
#include <vector>

bool UserHasAdminRights();
// The decision on given facts (for tests): uid 0 or one of the groups.
bool HasAdminRights(unsigned int nUid, const std::vector<std::string>& arrGroupNames);
