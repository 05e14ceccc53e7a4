// The settings store on Linux: QSettings, one INI file per window variant under
// $XDG_CONFIG_HOME.
#include "startup/settings.h"

#include <QSettings>

namespace {

struct Store {
  const char* organisation;
  const char* application;
};

Store StoreOf(uint8_t root) {
  switch (root) {
    case UpgradeSettings: return {"Ostrana", "Upgrade"};
    case LoaderSettings: return {"Venkor", "Loader"};
    default: return {"Korvex", "Tarvik"};
  }
}

}  // namespace

std::string ReadSetting(const char* name, uint8_t root) {
  const Store store = StoreOf(root);
  QSettings settings(QSettings::NativeFormat, QSettings::UserScope, store.organisation,
                     store.application);
  // The window's own file only: not the organisation's file nor the system-wide ones.
  settings.setFallbacksEnabled(false);
  const QVariant value = settings.value(QString::fromUtf8(name));
  // The store is parsed on first access: a file that cannot be parsed reads as empty.
  if (settings.status() != QSettings::NoError) return "";
  // Only a plain string counts: a list, a byte array or anything else reads as empty.
  if (value.typeId() != QMetaType::QString) return "";
  return value.toString().toStdString();
}

void WriteSetting(const char* name, const char* value, uint8_t root) {
  const Store store = StoreOf(root);
  QSettings settings(QSettings::NativeFormat, QSettings::UserScope, store.organisation,
                     store.application);
  settings.setFallbacksEnabled(false);
  // A store that could not be parsed is written afresh with what it could still read.
  settings.setValue(QString::fromUtf8(name), QString::fromUtf8(value));
  settings.sync();
}
