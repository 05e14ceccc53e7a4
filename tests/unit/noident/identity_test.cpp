#include <gtest/gtest.h>

#include "startup/identity.h"

TEST(IdentityWithoutIdentity, TheFallbackIdentityIsShownEverywhere) {
  EXPECT_EQ(ProductIdentity(), nullptr);
  EXPECT_STREQ(DisplayIdentity(), "LNK88.2 00.04");
  EXPECT_EQ(ChooseVariant(ProductIdentity()), Variant::Updater);
  EXPECT_EQ(UpdaterTitle(), "Updater 2.7 - LNK88.2 00.04   [ Mar 04 2021 ]");
  EXPECT_EQ(UpgradeTitle(), "Upgrade 1.1 -   LNK88.2 00.04   - Mar 04 2021");
  EXPECT_EQ(LoaderTitle(), "Loader 1.0 -   LNK88.2 00.04   - Mar 04 2021");
}
