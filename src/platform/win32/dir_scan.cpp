// Windows side of internal/dir_scan.h: FindFirstFileExW gives names and kinds in one pass.
// A directory that is a reparse point (symbolic link or junction) counts as a link to a
// directory, so tree walks never enter it.
#include "platform/internal/dir_scan.h"

#include "platform/win32/win32_util.h"

namespace krv::detail {

bool ScanNativeDirectory(const std::string& native_dir,
                         const std::function<void(std::string_view, EntryKind)>& visit) {
  std::wstring pattern = WidePath(native_dir);
  if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW data;
  const HANDLE find = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    const std::wstring_view name(data.cFileName);
    if (name == L"." || name == L"..") continue;
    EntryKind kind = EntryKind::kFile;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      const bool link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
      kind = link ? EntryKind::kLinkToDirectory : EntryKind::kDirectory;
    }
    visit(Narrow(name), kind);
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  return true;
}

}  // namespace krv::detail
