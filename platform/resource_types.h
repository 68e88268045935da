// Plain-data resource tables: dialog templates, strings and icons. One set of
// tables describes the program for every backend; a Win32 backend builds a
// DLGTEMPLATEEX from a DialogTemplate and an icon group from an IconResource.
#ifndef QUORVEL_PLATFORM_RESOURCE_TYPES_H_
#define QUORVEL_PLATFORM_RESOURCE_TYPES_H_

#include <cstddef>
#include <span>

#include "platform/win_types.h"

// Predefined control classes, spelled as Windows spells them.
inline constexpr const wchar_t* kButtonClass = L"Button";
inline constexpr const wchar_t* kListBoxClass = L"ListBox";
inline constexpr const wchar_t* kStaticClass = L"Static";

// One control of a dialog template. Rectangles are in dialog units.
struct DialogItem {
  int id;
  const wchar_t* className;
  const wchar_t* text;  // nullptr when there is none or when textResource is set
  UINT textResource;    // non-zero: the text is this resource ordinal (icon statics)
  short x, y, cx, cy;
  DWORD style;  // WS_CHILD and WS_VISIBLE are implied
  DWORD exStyle;
};

struct DialogTemplate {
  UINT id;
  const wchar_t* caption;
  const wchar_t* fontFace;
  WORD pointSize;
  short cx, cy;
  DWORD style;
  DWORD exStyle;
  std::span<const DialogItem> items;  // template order, which is the tab order
};

struct StringResource {
  UINT id;
  const wchar_t* text;
};

// One image of an icon group: a 32-bit RGBA PNG.
struct IconImage {
  int size;  // width and height in pixels
  std::span<const unsigned char> png;
};

struct IconResource {
  UINT id;
  std::span<const IconImage> images;
};

struct ResourceSet {
  std::span<const DialogTemplate> dialogs;
  std::span<const StringResource> strings;
  std::span<const IconResource> icons;
};

// The program's resources. Defined by the program (like a resource section
// linked into a Windows executable); the platform looks everything up here.
const ResourceSet& ProgramResources();

const DialogTemplate* FindDialogTemplate(UINT id);
const StringResource* FindStringResource(UINT id);
const IconResource* FindIconResource(UINT id);

#endif  // QUORVEL_PLATFORM_RESOURCE_TYPES_H_
