#include "style/choose_style.h"

#include <windows.h>

#include "core/settings_rules.h"
#include "core/style_table.h"
#include "settings/settings_store.h"

namespace style {

using namespace bimbly;

namespace {
int g_currentStyle = 0;  // written once on the main thread before any window exists
}

int ChooseStyle() {
  const std::wstring path = settings::GetConfigFilePath();
  const std::wstring mode = settings::ReadConfigString(config::kStyle, config::kMode, config::kDefaultStyleMode, path);
  const int choice = settings::ReadConfigInt(config::kStyle, config::kChoose, config::kDefaultStyleChoice, path);
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return StyleOfRun(mode, choice, now.wDay);
}

int CurrentStyle() { return g_currentStyle; }
void SetCurrentStyle(int index) { g_currentStyle = index; }

}  // namespace style
