// Update.exe: checks the download server, downloads what differs, installs it
// with the user's consent and hands over to the update helper.
#pragma once

#include <memory>

#include "framework/app.h"
#include "updater/update/update_job.h"

// Update.exe's application object: checks, downloads and installs an update.
class CUpdateApp : public fw::CWinApp {
 public:
  bool InitInstance() override;
};

// What a build of the updater fetches from and trusts.
UpdateSources BuiltInSources();
