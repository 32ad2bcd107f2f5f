#include "modules/common/board_sound.h"

#include <mmsystem.h>

#include "core/wait_bounds.h"
#include "framework/threads.h"

CBoardSound::CBoardSound() {
  wake_.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (wake_) thread_.reset(::CreateThread(nullptr, 0, &CBoardSound::ThreadMain, this, 0, nullptr));
}

CBoardSound::~CBoardSound() {
  if (!thread_) return;
  {
    std::lock_guard<std::mutex> guard(lock_);
    ending_ = true;
  }
  ::SetEvent(wake_.get());
  fw::JoinOrTerminate(thread_.get(), bimbly::kBoardSoundEndMs, /*serveSentMessages=*/true);
}

void CBoardSound::Play(LPCSTR sound, HMODULE module, DWORD flags) {
  flags |= SND_ASYNC;
  if (!thread_) {
    ::PlaySoundA(sound, module, flags);
    return;
  }
  {
    std::lock_guard<std::mutex> guard(lock_);
    pending_ = Request{sound, module, flags};
    hasPending_ = true;
  }
  ::SetEvent(wake_.get());
}

DWORD WINAPI CBoardSound::ThreadMain(void* self) {
  static_cast<CBoardSound*>(self)->Serve();
  return 0;
}

void CBoardSound::Serve() {
  for (;;) {
    // Woken by every request and by the end; nothing else is waited for here.
    ::WaitForSingleObject(wake_.get(), INFINITE);
    Request request;
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (ending_) return;
      if (!hasPending_) continue;
      request = pending_;
      hasPending_ = false;
    }
    ::PlaySoundA(request.sound, request.module, request.flags);
  }
}
