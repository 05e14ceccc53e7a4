#include "startup/identity.h"

#include <cstring>

#include "catalogue/build_data.h"

namespace {

bool Contains(const char* text, const char* code) { return std::strstr(text, code) != nullptr; }

bool ContainsAny(const char* text, std::initializer_list<const char*> codes) {
  for (const char* code : codes)
    if (Contains(text, code)) return true;
  return false;
}

}  // namespace

const char* ProductIdentity() { return BuildIdentity; }

const char* DisplayIdentity() {
  const char* identity = ProductIdentity();
  return identity != nullptr ? identity : "LNK88.2 00.04";
}

bool IdentityHas(const char* code) { return Contains(DisplayIdentity(), code); }

Variant ChooseVariant(const char* identity) {
  if (identity == nullptr) return Variant::Updater;
  if (ContainsAny(identity, {"KAP", "DEX", "LOM", "PURGE", "NAV", "ORB"})) return Variant::Upgrade;
  if (!Contains(identity, "VT720") &&
      ContainsAny(identity, {"VT", "HUB", "QIX", "MIRAC", "MIRAL", "J.", "F.", "FJ."}))
    return Variant::Loader;
  return Variant::Updater;
}

std::string UpdaterTitle() {
  return std::string("Updater 2.7") + " - " + DisplayIdentity() + "   [ " + BuildDate + " ]";
}

std::string LoaderTitle() {
  return std::string("Loader 1.0") + " -   " + DisplayIdentity() + "   - " + BuildDate;
}

std::string UpgradeTitle() {
  return std::string("Upgrade 1.1") + " -   " + DisplayIdentity() + "   - " + BuildDate;
}

std::string VersionDialogCaption(const std::string& identityLabel) {
  return identityLabel + "   [ " + BuildTime + " - " + BuildDate + " ]";
}
