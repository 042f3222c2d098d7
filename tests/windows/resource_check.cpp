// What Windows reads from a program's resources, for the setup test
// (tests/windows/setup_test.sh): the version Explorer's Properties show,
// how many icons Explorer can pick from, and the DPI awareness the
// manifest declares. One "name: value" line each:
//   resource_check PROGRAM.exe
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const wchar_t* text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return std::string();
  std::string out(static_cast<std::size_t>(n - 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  return out;
}

// The text between <tag ...> and </tag> in the manifest, or "".
std::string Element(const std::string& xml, const std::string& tag) {
  std::size_t open = xml.find("<" + tag);
  if (open == std::string::npos) return std::string();
  std::size_t start = xml.find('>', open);
  std::size_t end = xml.find("</" + tag, start);
  return start == std::string::npos || end == std::string::npos
             ? std::string()
             : xml.substr(start + 1, end - start - 1);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: resource_check PROGRAM.exe\n");
    return 2;
  }
  const wchar_t* program = argv[1];
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(program, &ignored);
  std::vector<unsigned char> info(size);
  if (size == 0 || !GetFileVersionInfoW(program, 0, size, info.data())) {
    std::printf("version: none\n");
  } else {
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed)
      std::printf("version: %u.%u.%u.%u\n", HIWORD(fixed->dwFileVersionMS),
                  LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                  LOWORD(fixed->dwFileVersionLS));
    // The texts of the first language the resource lists, as Explorer shows them.
    wchar_t block[64] = L"\\StringFileInfo\\040904B0\\";
    WORD* language = nullptr;
    if (VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                       reinterpret_cast<void**>(&language), &length) &&
        length >= 2 * sizeof(WORD))
      swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\", language[0], language[1]);
    for (const wchar_t* key : {L"ProductName", L"FileVersion", L"ProductVersion",
                               L"FileDescription", L"CompanyName"}) {
      std::wstring path = block + std::wstring(key);
      wchar_t* value = nullptr;
      if (VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) &&
          value)
        std::printf("%s: %s\n", Utf8(key).c_str(), Utf8(value).c_str());
    }
  }
  std::printf("icons: %u\n", ExtractIconExW(program, -1, nullptr, nullptr, 0));

  std::string manifest;
  if (HMODULE module = LoadLibraryExW(program, nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
    if (HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)))
      if (HGLOBAL data = LoadResource(module, found))
        manifest.assign(static_cast<const char*>(LockResource(data)),
                        SizeofResource(module, found));
    FreeLibrary(module);
  }
  std::printf("dpiAwareness: %s\n", Element(manifest, "dpiAwareness").c_str());
  std::printf("activeCodePage: %s\n", Element(manifest, "activeCodePage").c_str());
  return 0;
}
