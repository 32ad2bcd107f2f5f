// A census of this process's heaps: every heap with what it holds busy, and
// every busy block with its first bytes, so that two censuses taken a game
// apart tell which heap grew and by what kind of block. Shared by the
// system-growth program (its own heaps) and the heap probe loaded into the
// launcher by the play soak.
#pragma once

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace heap_census {

constexpr char kProcessHeap[] = "process heap";

struct Block {
  std::uintptr_t address = 0;
  std::size_t size = 0;
  std::uint64_t head[2] = {};  // its first 16 bytes
};

struct Heap {
  std::uintptr_t handle = 0;
  std::string kind;  // which run-time allocates from it, where known
  std::size_t committed = 0;
  std::vector<std::uintptr_t> regions;  // the allocations it lies in
  std::vector<Block> busy;
  std::size_t BusyBytes() const {
    std::size_t n = 0;
    for (const Block& b : busy) n += b.size;
    return n;
  }
};

// The census as text, written into memory of its own (not from any heap, so
// that taking it changes none): one heap a line ("heap <handle> <committed>
// <regions...> ; <kind>") followed by its blocks ("b <address> <size> <head0>
// <head1>", with the whole content in hex for blocks up to 512 bytes when
// `contents`). `probes` name heaps by a block known to come from them (a
// malloc'd block names the C run-time's heap). Empty when it does not fit.
// The kernel handles this process holds, found by asking after each handle
// value in turn (Wine reports no handle count, GetProcessHandleCount reads 0).
inline unsigned CountHandles() {
  unsigned n = 0;
  DWORD flags = 0;
  for (ULONG_PTR value = 4; value < (1u << 18); value += 4)
    if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++n;
  return n;
}

class Text {
 public:
  Text(const std::vector<std::pair<const void*, const char*>>& probes, bool contents) {
    data_ = static_cast<char*>(::VirtualAlloc(nullptr, kCapacity, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!data_) return;
    Put("handles %u\n", CountHandles());
    HANDLE heaps[256];
    const DWORD n = std::min<DWORD>(::GetProcessHeaps(256, heaps), 256);
    for (DWORD i = 0; i < n; ++i) {
      const char* kind = heaps[i] == ::GetProcessHeap() ? kProcessHeap : "?";
      if (!::HeapLock(heaps[i])) continue;
      // Regions first (their committed sizes head the line), then blocks.
      std::size_t committed = 0;
      PROCESS_HEAP_ENTRY e{};
      while (::HeapWalk(heaps[i], &e))
        if (e.wFlags & PROCESS_HEAP_REGION) committed += e.Region.dwCommittedSize;
      for (const auto& [p, name] : probes) {
        if (!p || std::strcmp(kind, "?") != 0) continue;
        e = PROCESS_HEAP_ENTRY{};
        while (::HeapWalk(heaps[i], &e))
          if ((e.wFlags & PROCESS_HEAP_ENTRY_BUSY) && p >= e.lpData &&
              static_cast<const char*>(p) < static_cast<const char*>(e.lpData) + e.cbData)
            kind = name;
      }
      Put("heap %llx %zu", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(heaps[i])), committed);
      e = PROCESS_HEAP_ENTRY{};
      while (::HeapWalk(heaps[i], &e))
        if (e.wFlags & PROCESS_HEAP_REGION)
          Put(" %llx", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(e.lpData)));
      Put(" ; %s\n", kind);
      e = PROCESS_HEAP_ENTRY{};
      while (::HeapWalk(heaps[i], &e)) {
        if (!(e.wFlags & PROCESS_HEAP_ENTRY_BUSY) || (e.wFlags & PROCESS_HEAP_REGION)) continue;
        std::uint64_t head[2] = {};
        std::memcpy(head, e.lpData, std::min<std::size_t>(e.cbData, sizeof(head)));
        Put("b %llx %lu %016llx %016llx", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(e.lpData)),
            static_cast<unsigned long>(e.cbData), static_cast<unsigned long long>(head[0]),
            static_cast<unsigned long long>(head[1]));
        if (contents && e.cbData <= 512) {
          Put(" ");
          for (DWORD k = 0; k < e.cbData; ++k) Put("%02x", static_cast<const unsigned char*>(e.lpData)[k]);
        }
        Put("\n");
      }
      ::HeapUnlock(heaps[i]);
    }
  }
  ~Text() {
    if (data_) ::VirtualFree(data_, 0, MEM_RELEASE);
  }
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;
  const char* data() const { return data_; }
  std::size_t size() const { return full_ ? 0 : used_; }

 private:
  static constexpr std::size_t kCapacity = 256u << 20;  // reserved; only what is written is touched
  template <typename... Args>
  void Put(const char* format, Args... args) {
    if (full_) return;
    const int n = std::snprintf(data_ + used_, kCapacity - used_, format, args...);
    if (n < 0 || used_ + static_cast<std::size_t>(n) >= kCapacity)
      full_ = true;
    else
      used_ += static_cast<std::size_t>(n);
  }
  char* data_ = nullptr;
  std::size_t used_ = 0;
  bool full_ = false;
};

// `handles`, where given, gets the handle count written with the census.
inline std::vector<Heap> Read(const char* text, std::size_t size, unsigned* handles = nullptr) {
  std::vector<Heap> heaps;
  for (std::size_t at = 0; at < size;) {
    const char* end = static_cast<const char*>(std::memchr(text + at, '\n', size - at));
    const std::size_t stop = end ? static_cast<std::size_t>(end - text) : size;
    const std::string line(text + at, stop - at);
    at = stop + 1;
    if (line.rfind("handles ", 0) == 0 && handles) {
      *handles = static_cast<unsigned>(std::strtoul(line.c_str() + 8, nullptr, 10));
    } else if (line.rfind("heap ", 0) == 0) {
      Heap h;
      unsigned long long handle = 0;
      int used = 0;
      std::sscanf(line.c_str(), "heap %llx %zu%n", &handle, &h.committed, &used);
      h.handle = static_cast<std::uintptr_t>(handle);
      const std::size_t semi = line.find(" ; ");
      const std::string regions = line.substr(static_cast<std::size_t>(used), semi - static_cast<std::size_t>(used));
      for (const char* p = regions.c_str(); *p;) {
        char* next = nullptr;
        const unsigned long long r = std::strtoull(p, &next, 16);
        if (next == p) break;
        h.regions.push_back(static_cast<std::uintptr_t>(r));
        p = next;
      }
      if (semi != std::string::npos) h.kind = line.substr(semi + 3);
      heaps.push_back(std::move(h));
    } else if (line.rfind("b ", 0) == 0 && !heaps.empty()) {
      Block b;
      unsigned long long address = 0, h0 = 0, h1 = 0;
      if (std::sscanf(line.c_str(), "b %llx %zu %llx %llx", &address, &b.size, &h0, &h1) == 4) {
        b.address = static_cast<std::uintptr_t>(address);
        b.head[0] = h0;
        b.head[1] = h1;
        heaps.back().busy.push_back(b);
      }
    }
  }
  return heaps;
}

// A block from the newer C run-time's heap, where that run-time is loaded:
// Wine's own image decoders (libpng, libjpeg behind windowscodecs) take from
// it. Null when it is not loaded.
struct UcrtBlock {
  UcrtBlock() {
    HMODULE ucrt = ::GetModuleHandleW(L"ucrtbase.dll");
    if (!ucrt) return;
    allocate = reinterpret_cast<void*(__cdecl*)(std::size_t)>(reinterpret_cast<void*>(::GetProcAddress(ucrt, "malloc")));
    release = reinterpret_cast<void(__cdecl*)(void*)>(reinterpret_cast<void*>(::GetProcAddress(ucrt, "free")));
    if (allocate && release) block = allocate(24);
  }
  ~UcrtBlock() {
    if (block) release(block);
  }
  UcrtBlock(const UcrtBlock&) = delete;
  UcrtBlock& operator=(const UcrtBlock&) = delete;
  void* (__cdecl* allocate)(std::size_t) = nullptr;
  void(__cdecl* release)(void*) = nullptr;
  void* block = nullptr;
};
constexpr char kUcrtHeap[] = "ucrtbase malloc";

// This process's heaps, with malloc's (the C run-time's) named.
inline std::vector<Heap> Take(unsigned* handles = nullptr) {
  void* fromMalloc = std::malloc(24);
  std::vector<Heap> heaps;
  {
    const UcrtBlock ucrt;
    const Text text({{fromMalloc, "msvcrt malloc"}, {ucrt.block, kUcrtHeap}}, false);
    heaps = Read(text.data(), text.size(), handles);
  }
  std::free(fromMalloc);
  return heaps;
}

// A module's address range, to name what a block points to.
struct ModuleRange {
  std::uintptr_t base, end;
  std::string name;
};

// The modules loaded in a process, by their address ranges.
inline std::vector<ModuleRange> LoadedModules(HANDLE process) {
  std::vector<ModuleRange> modules;
  HMODULE list[1024];
  DWORD needed = 0;
  if (!::EnumProcessModulesEx(process, list, sizeof(list), &needed, LIST_MODULES_ALL)) return modules;
  for (DWORD i = 0; i < std::min<DWORD>(needed / sizeof(HMODULE), 1024); ++i) {
    MODULEINFO info{};
    char name[MAX_PATH] = "";
    if (!::GetModuleInformation(process, list[i], &info, sizeof(info))) continue;
    ::GetModuleBaseNameA(process, list[i], name, MAX_PATH);
    const auto base = reinterpret_cast<std::uintptr_t>(info.lpBaseOfDll);
    modules.push_back({base, base + info.SizeOfImage, name});
  }
  return modules;
}

// What a block starts with: a pointer into a module (an object's table of
// virtual functions, named by module and offset), the heap part of a lock of
// the threads library that the static C++ run-time brings into every program
// and module, text, or neither.
inline std::string BlockKind(const Block& b, const std::vector<ModuleRange>& modules) {
  for (const ModuleRange& m : modules)
    if (b.head[0] >= m.base && b.head[0] < m.end) {
      char text[MAX_PATH + 32];
      std::snprintf(text, sizeof(text), "%s+%llx", m.name.c_str(), static_cast<unsigned long long>(b.head[0] - m.base));
      return text;
    }
  const auto low = static_cast<std::uint32_t>(b.head[0]);
  if (low == 0xBAB1F0EDu && b.size == 48) return "winpthreads rwlock";
  if (low == 0xC0BAB1FDu) return "winpthreads condition";
  // A mutex's heap part: state, type (0 normal, 2 recursive), event, count, owner.
  if (b.size == 24 && (b.head[0] >> 32) <= 2 && (b.head[0] & 0xFFFFFFFFu) <= 2) return "winpthreads mutex?";
  const auto* bytes = reinterpret_cast<const unsigned char*>(b.head);
  const std::size_t n = std::min<std::size_t>(b.size, sizeof(b.head));
  std::string ascii, wide;
  for (std::size_t i = 0; i < n && bytes[i] >= 32 && bytes[i] < 127; ++i) ascii += static_cast<char>(bytes[i]);
  for (std::size_t i = 0; i + 1 < n && bytes[i] >= 32 && bytes[i] < 127 && bytes[i + 1] == 0; i += 2)
    wide += static_cast<char>(bytes[i]);
  if (wide.size() >= 4) return "L\"" + wide + "\"";
  if (ascii.size() >= 6) return "\"" + ascii + "\"";
  if (b.head[0] == 0 && b.head[1] == 0) return "zeros";
  return "data";
}

// Which heaps grew since `then` (busy by 16 KB or committed by 64 KB, or
// every change with `all`), and in the one whose busy bytes grew most, the
// kinds of block that came, net of those gone, by size (at most `kinds`).
inline std::string Growth(const std::vector<Heap>& then, const std::vector<Heap>& now,
                          const std::vector<ModuleRange>& modules, bool all = false, std::size_t kinds = 6) {
  std::string text;
  char line[400];
  long long mostGrown = 0;
  const Heap* most = nullptr;
  const Heap* mostBefore = nullptr;
  for (const Heap& h : now) {
    const Heap* was = nullptr;
    for (const Heap& w : then)
      if (w.handle == h.handle) was = &w;
    const long long busy = static_cast<long long>(h.BusyBytes()) - (was ? static_cast<long long>(was->BusyBytes()) : 0);
    const long long blocks = static_cast<long long>(h.busy.size()) - (was ? static_cast<long long>(was->busy.size()) : 0);
    const long long committed = static_cast<long long>(h.committed) - (was ? static_cast<long long>(was->committed) : 0);
    if ((all && (busy || committed)) || std::llabs(busy) >= 16 * 1024 || std::llabs(committed) >= 64 * 1024) {
      std::snprintf(line, sizeof(line), "%sheap %llx (%s%s): busy %+.1f KB in %+lld blocks, committed %+.0f KB",
                    text.empty() ? "" : "; ", static_cast<unsigned long long>(h.handle), h.kind.c_str(),
                    was ? "" : ", new", static_cast<double>(busy) / 1024.0, blocks,
                    static_cast<double>(committed) / 1024.0);
      text += line;
    }
    if (busy > mostGrown) mostGrown = busy, most = &h, mostBefore = was;
  }
  if (!most) return text;
  std::map<std::pair<std::size_t, std::string>, long long> net;
  std::map<std::pair<std::uintptr_t, std::size_t>, const Block*> before;
  if (mostBefore)
    for (const Block& b : mostBefore->busy) before[{b.address, b.size}] = &b;
  for (const Block& b : most->busy) {
    const auto found = before.find({b.address, b.size});
    if (found != before.end() && std::memcmp(found->second->head, b.head, sizeof(b.head)) == 0) {
      before.erase(found);
      continue;
    }
    ++net[{b.size, BlockKind(b, modules)}];
  }
  for (const auto& [key, b] : before) --net[{b->size, BlockKind(*b, modules)}];
  std::vector<std::pair<long long, std::pair<std::size_t, std::string>>> ranked;
  for (const auto& [key, n] : net)
    if (n > 0) ranked.emplace_back(n * static_cast<long long>(key.first), key);
  std::sort(ranked.rbegin(), ranked.rend());
  std::snprintf(line, sizeof(line), "\n    in heap %llx most:", static_cast<unsigned long long>(most->handle));
  text += line;
  for (std::size_t i = 0; i < ranked.size() && i < kinds; ++i) {
    const auto& key = ranked[i].second;
    std::snprintf(line, sizeof(line), "%s +%lld of %zu bytes (%s)", i ? "," : "", net[key], key.first,
                  key.second.c_str());
    text += line;
  }
  return text;
}

}  // namespace heap_census
