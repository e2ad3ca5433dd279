// The file-association lookup of platform/system.h in the registry's HKEY_CLASSES_ROOT.
#include <algorithm>
#include <optional>
#include <string>

#include "korvex/platform/system.h"
#include "platform/win32/win32_util.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace krv {
namespace {

// Registry values read at most (a longer one counts as missing).
constexpr DWORD kMaxValueBytes = 64 * 1024;

// An open registry key, closed on destruction.
class Key {
 public:
  // Opens HKEY_CLASSES_ROOT\path for reading; never creates it.
  explicit Key(const std::wstring& path) {
    if (path.find(L'\0') != std::wstring::npos ||
        ::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_QUERY_VALUE, &key_) !=
            ERROR_SUCCESS)
      key_ = nullptr;
  }
  ~Key() {
    if (key_ != nullptr) ::RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  bool Exists() const { return key_ != nullptr; }

  // The string value `name` ("" for the default value), expanded when it is REG_EXPAND_SZ;
  // "" when it is missing or not a string.
  std::wstring Value(const wchar_t* name) const {
    if (key_ == nullptr) return L"";
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size > kMaxValueBytes)
      return L"";
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                           &got) != ERROR_SUCCESS)
      return L"";
    // The stored string may or may not end with its NUL; it ends at the first one.
    text.resize(std::min<std::size_t>(got / sizeof(wchar_t), text.size()));
    const std::size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos) text.resize(nul);
    return type == REG_EXPAND_SZ ? Expanded(text) : text;
  }

 private:
  static std::wstring Expanded(const std::wstring& text) {
    const DWORD need = ::ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (need == 0 || need > kMaxValueBytes) return text;
    std::wstring out(need, L'\0');
    if (::ExpandEnvironmentStringsW(text.c_str(), out.data(), need) != need) return text;
    out.resize(need - 1);
    return out;
  }

  HKEY key_ = nullptr;
};

// The default value of <name>\shell\open\command, or nothing when that key does not exist.
std::optional<std::wstring> OpenCommand(const std::wstring& name) {
  const Key command(name + L"\\shell\\open\\command");
  if (!command.Exists()) return std::nullopt;
  return command.Value(nullptr);
}

std::wstring DotExtension(std::string_view ext) {
  return L"." + detail::Wide(ext);
}

}  // namespace

std::string MimeTypeOfExtension(std::string_view ext) {
  if (ext.empty()) return "";
  return detail::Narrow(Key(DotExtension(ext)).Value(L"Content Type"));
}

std::string DefaultOpenCommand(std::string_view mime_type) {
  if (mime_type.empty()) return "";
  const Key type(L"MIME\\Database\\Content Type\\" + detail::Wide(mime_type));
  const std::wstring ext = type.Value(L"Extension");  // with its dot
  if (ext.size() < 2 || ext[0] != L'.') return "";
  return OpenCommandOfExtension(detail::Narrow(ext.substr(1)));
}

std::string OpenCommandOfExtension(std::string_view ext) {
  const std::wstring dot_ext = DotExtension(ext);
  if (std::optional<std::wstring> own = OpenCommand(dot_ext)) return detail::Narrow(*own);
  const Key extension(dot_ext);
  if (!extension.Exists()) return "";
  const std::wstring id = extension.Value(nullptr);
  if (id.empty()) return "";
  const std::optional<std::wstring> command = OpenCommand(id);
  return detail::Narrow(command ? *command : id);
}

}  // namespace krv
