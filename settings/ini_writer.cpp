// IniWriteString and IniWriteInt: set, add or delete a key, or delete a section, by building
// the new file from the loaded one and replacing it in one step (see IniReplaceFile).
#include "platform/wstring.h"
#include "settings/ini.h"
#include "settings/ini_file.h"
#include "settings/ini_lookup.h"

namespace {

constexpr WCHAR kNewSection[] = u"\r\n[";
constexpr WCHAR kOpen[] = u"[";
constexpr WCHAR kClose[] = u"]";
constexpr WCHAR kNewKeyLine[] = u"\r\n  ";
constexpr WCHAR kIndent[] = u"  ";
constexpr WCHAR kEquals[] = u"=";
constexpr WCHAR kLineEnd[] = u"\r\n";

template <std::size_t N>
IniPiece Fixed(const WCHAR (&text)[N]) {
  return IniUnits(text, N - 1);
}

IniPiece Name(const WCHAR* text) { return IniUnits(text, wcslen(text)); }

bool HasLineBreak(const WCHAR* text) {
  return wcschr(text, u'\r') != nullptr || wcschr(text, u'\n') != nullptr;
}

// The writer refuses what the file format cannot hold, so that everything it writes reads
// back as written: a name or value with CR or LF would split its line, a key with "=" would
// end early, a key starting with a blank would lose its blanks to the indentation.
bool Writable(const WCHAR* section, const WCHAR* key, const WCHAR* value) {
  if (HasLineBreak(section)) return false;
  if (key != nullptr) {
    if (*key == 0 || *key == u' ' || *key == u'\t') return false;
    if (wcschr(key, u'=') != nullptr || HasLineBreak(key)) return false;
    if (value != nullptr && HasLineBreak(value)) return false;
  }
  return true;
}

// The new file: the mark, then the pieces.
class NewContent {
 public:
  void Add(IniPiece piece) { m_pieces[m_count++] = piece; }
  void AddText(const IniText& file, std::size_t from, std::size_t to) {
    Add(IniUnits(file.text() + from, to - from));
  }
  bool Replace(const WCHAR* path) { return IniReplaceFile(path, m_pieces, m_count); }

 private:
  IniPiece m_pieces[10] = {{kIniMark, 2}};
  std::size_t m_count = 1;
};

int DeleteSection(const IniText& file, const IniSection& section, const WCHAR* path) {
  // The header line and everything up to the next line that begins with "[" go; the CR LF
  // before the header stays.
  NewContent content;
  content.AddText(file, 0, section.header);
  content.AddText(file, section.end, file.length());
  return content.Replace(path);
}

int DeleteKey(const IniText& file, const IniKey& key, const WCHAR* path) {
  // The key's whole line goes, from its start up to and including the CR LF that ends it,
  // or up to the end of the text. Whatever the indentation, the line before stays whole.
  std::size_t next = key.valueEnd == file.length() ? key.valueEnd : key.valueEnd + 2;
  NewContent content;
  content.AddText(file, 0, key.lineStart);
  content.AddText(file, next, file.length());
  return content.Replace(path);
}

}  // namespace

int IniWriteString(const WCHAR* section, const WCHAR* key, const WCHAR* value,
                   const WCHAR* path) {
  if (section == nullptr || path == nullptr || *section == 0) return 0;
  if (!Writable(section, key, value)) return 0;

  // Opened for reading and writing, so a read-only file gives 0 here, before anything else.
  IniText file;
  if (!file.Load(path, IniText::Access::kReadWrite)) return 0;
  const WCHAR* text = file.text();
  std::size_t n = file.length();

  IniSection found;
  bool haveSection = IniFindSection(text, n, section, &found);
  if (key == nullptr) return haveSection ? DeleteSection(file, found, path) : 1;

  IniKey at;
  bool haveKey = haveSection && IniFindKey(text, n, found, key, &at);
  if (value == nullptr) return haveKey ? DeleteKey(file, at, path) : 1;

  NewContent content;
  if (haveKey) {
    // Nothing to do when the value is already there and the file holds nothing but the
    // text: writing it anew would give the same bytes. Still 1, as for a write.
    std::size_t length = wcslen(value);
    if (file.fills_file() && at.valueEnd - at.valueStart == length &&
        wcsncmp(text + at.valueStart, value, length) == 0) {
      return 1;
    }
    // Everything before the key name, the key, "=", the new value, then the rest from the
    // CR LF that ended the old value.
    content.AddText(file, 0, at.name);
    content.Add(Name(key));
    content.Add(Fixed(kEquals));
    content.Add(Name(value));
    content.AddText(file, at.valueEnd, n);
    return content.Replace(path);
  }

  // Adding. New text goes after the whole text; when the file ends in a zero code unit and
  // more, or in an odd byte, those are left out, so that what is added can be found again.
  if (haveSection && found.end != n) {
    // Another section follows: the new key line stands right above its header.
    content.AddText(file, 0, found.end);
    content.Add(Fixed(kIndent));
    content.Add(Name(key));
    content.Add(Fixed(kEquals));
    content.Add(Name(value));
    content.Add(Fixed(kLineEnd));
    content.AddText(file, found.end, n);
    return content.Replace(path);
  }
  content.AddText(file, 0, n);
  if (!haveSection) {
    // The first section starts the text; later ones get a line end before their header.
    content.Add(n == 0 ? Fixed(kOpen) : Fixed(kNewSection));
    content.Add(Name(section));
    content.Add(Fixed(kClose));
  }
  content.Add(Fixed(kNewKeyLine));
  content.Add(Name(key));
  content.Add(Fixed(kEquals));
  content.Add(Name(value));
  return content.Replace(path);
}

int IniWriteInt(const WCHAR* section, const WCHAR* key, int value, const WCHAR* path) {
  // The longest number, -2147483648, has 11 code units.
  WCHAR digits[15] = {};
  swprintf(digits, 15, u"%d", value);
  return IniWriteString(section, key, digits, path);
}
