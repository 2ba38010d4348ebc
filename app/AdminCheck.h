#pragma once
// Whether the user has administrative rights: running as root, or a member of
// the group "sudo", "wheel" or "admin".

bool HasAdministratorRights();
