#pragma once

// Windows only. Makes this test program call a replacement for a function it imports from a
// system DLL, for as long as the patch lives, as a preloaded library does on Linux: the code under
// test meets the failures and lists the real system would give it, unchanged and unaware.

#include <windows.h>

#include <cstring>
#include <utility>
#include <vector>

namespace orv::test {

class ImportPatch {
 public:
  // Every import of `function` by this program's own image (the code under test is linked in).
  ImportPatch(const char* function, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* dll =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         dll->Name != 0; ++dll) {
      const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(
          base + (dll->OriginalFirstThunk ? dll->OriginalFirstThunk : dll->FirstThunk));
      auto* entries = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
      for (; names->u1.AddressOfData != 0; ++names, ++entries) {
        if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
        const auto* byName =
            reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
        if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
        m_slots.emplace_back(&entries->u1.Function, entries->u1.Function);
        put(&entries->u1.Function, reinterpret_cast<ULONG_PTR>(replacement));
      }
    }
  }
  ~ImportPatch() {
    for (const auto& [slot, original] : m_slots) put(slot, original);
  }
  ImportPatch(const ImportPatch&) = delete;
  ImportPatch& operator=(const ImportPatch&) = delete;

  bool applied() const { return !m_slots.empty(); }
  // The system's own function, for a replacement that fails only some calls.
  template <typename Function>
  Function original() const {
    return reinterpret_cast<Function>(m_slots.front().second);
  }

 private:
  static void put(ULONG_PTR* slot, ULONG_PTR value) {
    DWORD protection = 0;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, protection, &protection);
  }

  std::vector<std::pair<ULONG_PTR*, ULONG_PTR>> m_slots;
};

}  // namespace orv::test
