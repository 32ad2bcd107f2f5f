#include "modules/common/board_sound.h"

#include <mmsystem.h>

#include "core/wait_bounds.h"

CBoardSound::CBoardSound()
    : worker_([](Request& r) { ::PlaySoundA(r.sound, r.module, r.flags); }, bimbly::kBoardSoundEndMs) {}

void CBoardSound::Play(LPCSTR sound, HMODULE module, DWORD flags) {
  worker_.Post(Request{sound, module, flags | SND_ASYNC});
}
