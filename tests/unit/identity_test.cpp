#include <gtest/gtest.h>

#include "startup/identity.h"

namespace {

struct VariantCase {
  const char* identity;
  Variant expected;
};

TEST(Identity, VariantFollowsTheCodesInTheIdentity) {
  const VariantCase cases[] = {
      {nullptr, Variant::Updater},
      {"", Variant::Updater},
      {"SOL BX 02.10.00", Variant::Updater},
      {"KAP DL 01.24.04.00", Variant::Upgrade},
      {"PURGE 1", Variant::Upgrade},
      {"VT 2.0", Variant::Loader},
      {"VT720 2.0", Variant::Updater},   // contains "VT", but VT720 keeps the Updater
      {"VT720 HUB", Variant::Updater},
      {"FJ.100", Variant::Loader},       // contains "J." as well
      {"KAP HUB 1.0", Variant::Upgrade}, // the Upgrade codes win
      {"LOM VT720", Variant::Upgrade},
      {"ABC 1.0F.2", Variant::Loader},   // codes match inside the release number
      {"XNAVY", Variant::Upgrade},       // and inside words
      {"kap dl", Variant::Updater},      // case-sensitive
      {"MIRAL 3", Variant::Loader},
      {"QIX LD 03.01.00", Variant::Loader},
  };
  for (const VariantCase& c : cases)
    EXPECT_EQ(ChooseVariant(c.identity), c.expected) << (c.identity ? c.identity : "(none)");
}

TEST(Identity, TitlesOfThisReleaseAreExact) {
  EXPECT_STREQ(ProductIdentity(), "KAP DL 01.24.04.00");
  EXPECT_STREQ(DisplayIdentity(), "KAP DL 01.24.04.00");
  EXPECT_EQ(UpgradeTitle(), "Upgrade 1.1 -   KAP DL 01.24.04.00   - Sep 23 2014");
  EXPECT_EQ(UpdaterTitle(), "Updater 2.7 - KAP DL 01.24.04.00   [ Sep 23 2014 ]");
  EXPECT_EQ(LoaderTitle(), "Loader 1.0 -   KAP DL 01.24.04.00   - Sep 23 2014");
  EXPECT_EQ(VersionDialogCaption("KAP DL 01.24.04.00"),
            "KAP DL 01.24.04.00   [ 15:00:15 - Sep 23 2014 ]");
}

TEST(Identity, CodesAreLookedUpInTheDisplayIdentity) {
  EXPECT_TRUE(IdentityHas("KAP"));
  EXPECT_TRUE(IdentityHas("4.0"));
  EXPECT_FALSE(IdentityHas("TRI"));
  EXPECT_FALSE(IdentityHas("kap"));
}

}  // namespace
