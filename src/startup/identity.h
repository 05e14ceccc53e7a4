// The product identity of the build, the window variant it selects, and the fixed
// texts composed from it (window titles, version dialog caption).
#pragma once

#include <string>

// The build's identity, or nullptr for a build made without one.
const char* ProductIdentity();
// The identity shown after start-up: the product identity, or "LNK88.2 00.04". Never null.
const char* DisplayIdentity();
// Whether a product code occurs in the display identity (case-sensitive substring).
bool IdentityHas(const char* code);

enum class Variant { Updater, Loader, Upgrade };
// The main window an identity selects (nullptr: no identity).
Variant ChooseVariant(const char* identity);

std::string UpdaterTitle();
std::string LoaderTitle();
std::string UpgradeTitle();
// The version dialog's caption from the Updater window's identity label.
std::string VersionDialogCaption(const std::string& identityLabel);
