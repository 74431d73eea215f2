// The floor under the add-in's start-up under this system: what the clipboard operations, a
// window for opening the clipboard, loading the job API library and a call of the simulated
// host's objects through IDispatch cost by themselves, without the add-in. scripts/bench runs it
// beside the add-in's measurements.
//
//   orvan_bench_floor.exe [RUNS] [JOBAPI.dll [LIBRARY.dll...]]
//
// Prints one line per operation: "floor NAME MEDIAN_MS MIN_MS MAX_MS" (a host call: the mean of
// a hundred).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/dispatch_win32.h"
#include "platform/win32/win32.h"
#include "sim/office/fake_office.h"

namespace {

double Now() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

void Measure(const char* name, int runs, const std::function<bool()>& operation, int per = 1) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const double before = Now();
    for (int j = 0; j < per; ++j) {
      if (!operation()) {
        std::printf("floor %s failed\n", name);
        return;
      }
    }
    times.push_back((Now() - before) / per);
  }
  std::sort(times.begin(), times.end());
  std::printf("floor %s %.3f %.3f %.3f\n", name, times[times.size() / 2], times.front(),
              times.back());
}

HWND MessageWindow() {
  return CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

HBITMAP Face() {
  const HDC screen = GetDC(nullptr);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
  Measure("window-create-destroy", runs, [] {
    const HWND window = MessageWindow();
    return window != nullptr && DestroyWindow(window);
  });
  const HWND window = MessageWindow();
  Measure("clipboard-open-close", runs, [&] { return OpenClipboard(window) && CloseClipboard(); });
  Measure("clipboard-empty", runs,
          [&] { return OpenClipboard(window) && EmptyClipboard() && CloseClipboard(); });
  Measure("clipboard-put-bitmap", runs, [&] {
    if (!OpenClipboard(window)) return false;
    EmptyClipboard();
    const bool put = SetClipboardData(CF_BITMAP, Face()) != nullptr;
    return CloseClipboard() && put;
  });
  Measure("clipboard-read-bitmap", runs, [&] {
    if (!OpenClipboard(window)) return false;
    const bool got = GetClipboardData(CF_BITMAP) != nullptr;
    return CloseClipboard() && got;
  });
  Measure("clipboard-put-bitmap-and-text", runs, [&] {
    if (!OpenClipboard(window)) return false;
    EmptyClipboard();
    bool put = SetClipboardData(CF_BITMAP, Face()) != nullptr;
    const HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, sizeof(wchar_t));
    if (void* data = GlobalLock(text)) {
      *static_cast<wchar_t*>(data) = L'\0';
      GlobalUnlock(text);
    }
    put = put && SetClipboardData(CF_UNICODETEXT, text) != nullptr;
    return CloseClipboard() && put;
  });
  DestroyWindow(window);
  {
    // Reads of the simulated Word's ActivePrinter and CommandBars through IDispatch, as the add-in
    // reads host members: the object model's own cost, without officesim's transcript.
    using namespace orvan;
    CoInitialize(nullptr);
    auto world = std::make_shared<sim::OfficeWorld>();
    {
      sim::FakeOfficeHost host(sim::HostType::kWord, world);
      IDispatch* exposed = win32::ExposeObject(host.application());
      const ObjectRef application = win32::WrapDispatch(exposed);
      exposed->Release();
      Measure(
          "host-call", runs,
          [&] {
            application->Get("ActivePrinter");
            world->journal.clear();
            return true;
          },
          100);
      // A read that gives an object, which both sides wrap and let go again.
      Measure(
          "host-call-object", runs,
          [&] {
            const bool got = AsObject(application->Get("CommandBars")) != nullptr;
            world->journal.clear();
            return got;
          },
          100);
    }
    CoUninitialize();
  }
  Measure("spooler-open-printer", runs, [] {
    // The PDF printer as the add-in looks it up; under officesim Wine's spooler does not know it.
    char name[] = "Orvan pdf vatner";
    HANDLE printer = nullptr;
    if (OpenPrinterA(name, &printer, nullptr)) ClosePrinter(printer);
    return true;
  });
  for (int i = 3; i < argc; ++i) {
    // Further libraries (the add-in, the no-op test add-in): what loading each costs.
    const std::string path = argv[i];
    const std::string name = "load-" + path.substr(path.find_last_of("\\/") + 1);
    Measure(name.c_str(), runs, [&] {
      const HMODULE module = LoadLibraryA(path.c_str());
      return module != nullptr && FreeLibrary(module);
    });
  }
  if (argc > 2) {
    const std::string library = argv[2];
    Measure("jobapi-load-free", runs, [&] {
      const HMODULE module = LoadLibraryA(library.c_str());
      return module != nullptr && FreeLibrary(module);
    });
    // One export called directly, as a caller that resolved it once would call it.
    if (const HMODULE module = LoadLibraryA(library.c_str())) {
      using FirstPrinter = std::int32_t(__stdcall*)(char*, std::int32_t);
      const auto call = reinterpret_cast<FirstPrinter>(
          reinterpret_cast<void*>(GetProcAddress(module, "OrvanPdfVtAPIGetFirstPrinterA")));
      char name[256];
      if (call) {
        Measure(
            "jobapi-call", runs,
            [&] {
              call(name, sizeof name);
              return true;
            },
            100);
      }
      FreeLibrary(module);
    }
  }
  return 0;
}
