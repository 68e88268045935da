#include "platform/win32/dialog_template.h"

#include <cwchar>

namespace qv::win32 {
namespace {

constexpr DWORD kCharsetDefault = 1;

class Writer {
 public:
  void Word(WORD w) { words_.push_back(w); }
  void Dword(DWORD d) {
    Word(static_cast<WORD>(d & 0xFFFF));
    Word(static_cast<WORD>(d >> 16));
  }
  void Short(short s) { Word(static_cast<WORD>(s)); }
  void Text(const wchar_t* text) {
    if (text != nullptr) {
      for (const wchar_t* p = text; *p != L'\0'; ++p) Word(static_cast<WORD>(*p));
    }
    Word(0);
  }
  void Ordinal(WORD ordinal) {
    Word(0xFFFF);
    Word(ordinal);
  }
  void AlignDword() {
    if (words_.size() % 2 != 0) Word(0);
  }
  std::vector<DWORD> Finish() {
    AlignDword();
    std::vector<DWORD> out(words_.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i) {
      // Little-endian: the first word of each pair is the low half.
      out[i] = static_cast<DWORD>(words_[2 * i]) | (static_cast<DWORD>(words_[2 * i + 1]) << 16);
    }
    return out;
  }

 private:
  std::vector<WORD> words_;
};

WORD ClassAtom(const wchar_t* className) {
  if (className == nullptr) return 0;
  if (std::wcscmp(className, kButtonClass) == 0) return kButtonAtom;
  if (std::wcscmp(className, kStaticClass) == 0) return kStaticAtom;
  if (std::wcscmp(className, kListBoxClass) == 0) return kListBoxAtom;
  return 0;
}

}  // namespace

std::vector<DWORD> BuildDialogTemplateEx(const DialogTemplate& tmpl) {
  Writer w;
  w.Word(1);       // dlgVer
  w.Word(0xFFFF);  // signature of the extended form
  w.Dword(0);      // helpID
  w.Dword(tmpl.exStyle);
  w.Dword(tmpl.style);
  w.Word(static_cast<WORD>(tmpl.items.size()));
  w.Short(0);
  w.Short(0);
  w.Short(tmpl.cx);
  w.Short(tmpl.cy);
  w.Word(0);  // no menu
  w.Word(0);  // the predefined dialog class
  w.Text(tmpl.caption);
  if ((tmpl.style & DS_SETFONT) != 0) {
    w.Word(tmpl.pointSize);
    w.Word(0);                                        // weight: the font's own
    w.Word(static_cast<WORD>(kCharsetDefault << 8));  // italic 0, then the charset byte
    w.Text(tmpl.fontFace);
  }
  for (const DialogItem& item : tmpl.items) {
    w.AlignDword();
    w.Dword(0);  // helpID
    w.Dword(item.exStyle);
    w.Dword(item.style | WS_CHILD | WS_VISIBLE);
    w.Short(item.x);
    w.Short(item.y);
    w.Short(item.cx);
    w.Short(item.cy);
    w.Dword(static_cast<DWORD>(item.id));
    const WORD atom = ClassAtom(item.className);
    if (atom != 0) {
      w.Ordinal(atom);
    } else {
      w.Text(item.className);
    }
    if (item.textResource != 0) {
      w.Ordinal(static_cast<WORD>(item.textResource));
    } else {
      w.Text(item.text);
    }
    w.Word(0);  // no creation data
  }
  return w.Finish();
}

}  // namespace qv::win32
