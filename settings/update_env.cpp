#include "settings/update_env.h"

#include "framework/text.h"

CUpdateEnv::CUpdateEnv() : CUpdateEnv(fw::GetModulePath(nullptr)) {}

CUpdateEnv::CUpdateEnv(const std::wstring& exePath) : paths_(bimbly::BuildUpdatePaths(exePath)) {}
