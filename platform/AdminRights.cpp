#include "platform/AdminRights.h"

#include <grp.h>
#include <unistd.h>

bool HasAdminRights(unsigned int nUid, const std::vector<std::string>& arrGroupNames) {
    if (nUid == 0)
        return true;
    for (const std::string& strName : arrGroupNames) {
        if (strName == "sudo" || strName == "wheel" || strName == "admin")
            return true;
    }
    return false;
}

bool UserHasAdminRights() {
    std::vector<std::string> arrNames;
    std::vector<gid_t> arrGroups(256);
    const int nCount = getgroups(static_cast<int>(arrGroups.size()), arrGroups.data());
    // When the groups cannot be read, the user counts as having the rights: only a
    // completed test without a match counts as lacking them.
    if (nCount < 0)
        return true;
    arrGroups.resize(static_cast<std::size_t>(nCount));
    arrGroups.push_back(getegid());
    for (gid_t gid : arrGroups) {
        if (const group* pGroup = getgrgid(gid))
            arrNames.emplace_back(pGroup->gr_name);
    }
    return HasAdminRights(static_cast<unsigned int>(geteuid()), arrNames);
}
