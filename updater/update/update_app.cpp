#include "updater/update/update_app.h"

#include <commctrl.h>
#include <shellapi.h>

#include "contracts/program_names.h"
#include "core/wait_bounds.h"
#include "framework/instance_mutex.h"
#include "updater/common/manifest_signature.h"
#include "updater/common/process_ops.h"
#include "updater/common/update_site.h"
#include "updater/update/update_dialogs.h"

UpdateSources BuiltInSources() { return UpdateSources{DownloadBaseUrl(), kTestBaseUrl, UpdatePublicKeyPem()}; }

bool CUpdateApp::InitInstance() {
  fw::InstanceMutex mutex;
  if (!mutex.Take(contracts::kUpdaterMutex)) return false;

  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);
  fw::ScopedCoInit ole(COINIT_APARTMENTTHREADED);

  const bool background = IsBackgroundCommandLine();
  auto job = std::make_unique<UpdateJob>(CUpdateEnv(), BuiltInSources());
  CUpdateDlg dialog(job.get());
  UpdateJob* jobPtr = job.get();
  job->askConsent = [jobPtr]() {
    CCloseMainDlg prompt;
    return prompt.DoModal(jobPtr->mainWindow) == IDOK;
  };
  if (!job->StartWorker()) return false;

  if (!background) dialog.DoModal(nullptr);  // the dialog publishes itself to the job
  job->mainWindow = nullptr;
  job->JoinWorker(bimbly::kUpdateWorkerJoinMs);
  return false;  // the whole program is its start-up
}
