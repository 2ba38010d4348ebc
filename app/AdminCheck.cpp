#include "app/AdminCheck.h"

#include <grp.h>
#include <unistd.h>

#include <cstring>
#include <vector>

bool HasAdministratorRights() {
    if (geteuid() == 0)
        return true;
    const int nCount = getgroups(0, nullptr);
    if (nCount <= 0)
        return false;
    std::vector<gid_t> arrGroups(static_cast<std::size_t>(nCount));
    const int nGot = getgroups(nCount, arrGroups.data());
    for (int n = 0; n < nGot; ++n) {
        const group* pGroup = getgrgid(arrGroups[static_cast<std::size_t>(n)]);
        if (pGroup == nullptr)
            continue;
        for (const char* pszName : {"sudo", "wheel", "admin"})
            if (std::strcmp(pGroup->gr_name, pszName) == 0)
                return true;
    }
    return false;
}
