#include "modules/common/background_cache.h"

#include <objbase.h>

#include <algorithm>
// The GDI+ headers use unqualified min and max, which NOMINMAX hides.
using std::max;
using std::min;
#include <gdiplus.h>

#include <atomic>
#include <cstring>
#include <mutex>

#include "core/image_rules.h"
#include "core/wait_bounds.h"
#include "core/picture_check.h"
#include "framework/handles.h"
#include "framework/memory_stream.h"
#include "framework/threads.h"

namespace board_backgrounds {
namespace {

// The current item's and its two neighbours': at 1280 x 1024 each is 5 MB.
constexpr std::size_t kKept = 3;

struct Entry {
  std::wstring name;
  int width = 0;
  int height = 0;
  Pixels pixels;
  unsigned long long lastUse = 0;
};

std::mutex g_lock;
std::vector<Entry> g_kept;
unsigned long long g_uses = 0;
// Each DrawAhead call starts a new generation; a thread of an older one stops.
std::atomic<unsigned> g_generation{0};
// The threads drawing ahead, under g_lock.
std::vector<fw::UniqueKernelHandle> g_threads;


void Keep(const std::wstring& name, int width, int height, const Pixels& pixels) {
  std::lock_guard<std::mutex> guard(g_lock);
  for (const Entry& e : g_kept)
    if (e.name == name && e.width == width && e.height == height) return;
  if (g_kept.size() >= kKept)
    g_kept.erase(std::min_element(g_kept.begin(), g_kept.end(),
                                  [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; }));
  g_kept.push_back(Entry{name, width, height, pixels, ++g_uses});
}

// Drawn the way an opaque image window draws its picture: stretched to the
// whole surface with the high-quality filter, edges mirrored so that they do
// not fade.
Pixels Draw(HINSTANCE module, const std::wstring& name, int width, int height) {
  const std::size_t bytes = bimbly::image::SurfaceBytes(width, height);
  if (bytes == 0) return nullptr;
  const fw::ResourceBytes encoded = fw::FindResourceBytes(module, name.c_str(), L"IMAGE");
  if (!encoded.data || !bimbly::image::CheckPicture(encoded.data, encoded.size).intact) return nullptr;
  fw::ComPtr<IStream> stream = fw::StreamOverCopy(encoded.data, encoded.size);
  if (!stream) return nullptr;
  auto pixels = std::make_shared<std::vector<std::uint32_t>>(bytes / sizeof(std::uint32_t));
  {
    Gdiplus::Image picture(stream.get(), FALSE);
    if (picture.GetLastStatus() != Gdiplus::Ok ||
        !bimbly::image::PictureSizeAcceptable(picture.GetWidth(), picture.GetHeight()))
      return nullptr;
    Gdiplus::Bitmap canvas(width, height, static_cast<INT>(bimbly::image::SurfaceStride(width)),
                           PixelFormat32bppPARGB, reinterpret_cast<BYTE*>(pixels->data()));
    if (canvas.GetLastStatus() != Gdiplus::Ok) return nullptr;
    Gdiplus::Graphics graphics(&canvas);
    if (graphics.GetLastStatus() != Gdiplus::Ok) return nullptr;
    Gdiplus::ImageAttributes attributes;
    attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    if (graphics.DrawImage(&picture, Gdiplus::Rect(0, 0, width, height), 0, 0,
                           static_cast<INT>(picture.GetWidth()), static_cast<INT>(picture.GetHeight()),
                           Gdiplus::UnitPixel, &attributes) != Gdiplus::Ok)
      return nullptr;
    graphics.Flush(Gdiplus::FlushIntentionSync);
  }
  return pixels;
}

struct AheadJob {
  HMODULE self = nullptr;
  HINSTANCE module = nullptr;
  std::vector<std::wstring> names;
  int width = 0;
  int height = 0;
  unsigned generation = 0;
  AheadWork also;
};

void DrawJob(const AheadJob& job) {
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  for (const std::wstring& name : job.names) {
    if (g_generation.load() != job.generation) break;
    try {
      Get(job.module, name, job.width, job.height);
    } catch (...) {
    }
  }
  if (job.also && g_generation.load() == job.generation) {
    const unsigned generation = job.generation;
    try {
      job.also([generation] { return g_generation.load() == generation; });
    } catch (...) {
    }
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
}

DWORD WINAPI AheadMain(void* param) {
  HMODULE self = nullptr;
  {
    std::unique_ptr<AheadJob> job(static_cast<AheadJob*>(param));
    self = job->self;
    DrawJob(*job);
  }
  // The module goes only once nothing of it runs here any more.
  ::FreeLibraryAndExitThread(self, 0);
  return 0;
}

}  // namespace

Pixels Find(const std::wstring& name, int width, int height) {
  std::lock_guard<std::mutex> guard(g_lock);
  for (Entry& e : g_kept)
    if (e.name == name && e.width == width && e.height == height) {
      e.lastUse = ++g_uses;
      return e.pixels;
    }
  return nullptr;
}

Pixels Get(HINSTANCE module, const std::wstring& name, int width, int height) {
  if (Pixels kept = Find(name, width, height)) return kept;
  Pixels drawn = Draw(module, name, width, height);
  if (drawn) Keep(name, width, height, drawn);
  return drawn;
}

void DrawAhead(HINSTANCE module, std::vector<std::wstring> names, int width, int height, AheadWork alsoAhead) {
  const unsigned generation = ++g_generation;
  names.erase(std::remove_if(names.begin(), names.end(),
                             [&](const std::wstring& n) { return n.empty() || Find(n, width, height); }),
              names.end());
  if (names.empty() && !alsoAhead) return;
  HMODULE self = nullptr;
  if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&AheadMain), &self))
    return;
  auto job = std::make_unique<AheadJob>();
  job->self = self;
  job->module = module;
  job->names = std::move(names);
  job->width = width;
  job->height = height;
  job->generation = generation;
  job->also = std::move(alsoAhead);
  fw::UniqueKernelHandle thread(::CreateThread(nullptr, 0, &AheadMain, job.get(), CREATE_SUSPENDED, nullptr));
  if (!thread) {
    ::FreeLibrary(self);
    return;
  }
  job.release();  // the thread owns it now
  // Behind the board and its pictures, which the child sees.
  ::SetThreadPriority(thread.get(), THREAD_PRIORITY_LOWEST);
  ::ResumeThread(thread.get());
  std::lock_guard<std::mutex> guard(g_lock);
  g_threads.erase(std::remove_if(g_threads.begin(), g_threads.end(),
                                 [](const fw::UniqueKernelHandle& t) {
                                   return ::WaitForSingleObject(t.get(), 0) != WAIT_TIMEOUT;
                                 }),
                  g_threads.end());
  g_threads.push_back(std::move(thread));
}

void StopDrawingAhead() {
  ++g_generation;
  std::vector<fw::UniqueKernelHandle> threads;
  {
    std::lock_guard<std::mutex> guard(g_lock);
    threads.swap(g_threads);
  }
  // The background in hand is finished first. The caller goes on serving what
  // is sent to it (the keyboard lock's hook). Past the bound a thread is left
  // to end alone: its own hold on the module keeps the module until then.
  const ULONGLONG end = ::GetTickCount64() + bimbly::kBoardBackgroundAheadEndMs;
  for (const fw::UniqueKernelHandle& t : threads) {
    const ULONGLONG now = ::GetTickCount64();
    if (now >= end || !fw::WaitServingSentMessages(t.get(), static_cast<DWORD>(end - now))) return;
  }
}

}  // namespace board_backgrounds
