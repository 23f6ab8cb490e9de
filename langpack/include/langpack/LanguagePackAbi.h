/*
 * The interface between Telvane and a language pack.
 *
 * A language pack is a shared object lang/NAME.so that exports these functions with C
 * linkage. Each returns the same value on every call, from the moment the library is
 * loaded until it is unloaded; pointers stay valid for as long as the library is loaded.
 * Loading and unloading a pack has no side effects: a pack has no constructors, no
 * destructors and no state.
 *
 *   const char*  GetLangName(void)    the language's display name, UTF-8, zero-terminated
 *                                     ("Chinese Simplified"); compared byte for byte
 *   int          GetLangID(void)      the Windows language identifier (2052, 1033 ...)
 *   const char*  GetLangDesc(void)    a one-line ASCII credit for the pack
 *   unsigned int GetLangFormat(void)  TELVANE_PACK_FORMAT: the version of the resource
 *                                     forms below that GetLangResource returns
 *   const void*  GetLangResource(unsigned int type, unsigned int id, size_t* size)
 *                                     the resource of that type and number: a pointer to
 *                                     its bytes, with the byte count stored in *size; NULL
 *                                     (and *size = 0) when the pack has no such resource.
 *                                     size may be NULL.
 *
 * A library that lacks GetLangName or GetLangID is not a pack. A pack whose GetLangFormat
 * is missing or answers another number carries resources this program cannot read.
 *
 * Resource forms, format 1. Integers are little-endian; u8/u16/u32 are unsigned, i16 is
 * two's complement. A "text" is a u16 byte count n followed by n bytes of UTF-8 (no zero
 * byte, no terminator). A resource is exactly as long as its form: no bytes follow it.
 *
 *   String   the text's UTF-8 bytes, no zero byte among them. In memory a zero byte
 *            follows them, not counted in *size.
 *
 *   Dialog   u16 dialog styles (TELVANE_DIALOG_*)
 *            u16 width, u16 height (dialog units)
 *            u16 menu (0: none)
 *            text caption
 *            u16 font point size, text font face
 *            u16 control count, then per control, in tab order:
 *              u16 id (TELVANE_NO_CONTROL_ID for a control without one)
 *              u8  kind (TELVANE_CONTROL_*)
 *              u32 control styles (TELVANE_STYLE_*)
 *              i16 x, i16 y, u16 width, u16 height (dialog units)
 *              text text
 *              u8  image type (0: none, TELVANE_RESOURCE_BITMAP or TELVANE_RESOURCE_ICON)
 *              u16 image number (0 when there is no image)
 *
 *   Menu     u16 item count, then the items; each item is
 *              u8 TELVANE_MENU_COMMAND, u16 command id, text label
 *              u8 TELVANE_MENU_SEPARATOR
 *              u8 TELVANE_MENU_SUBMENU, text label, u16 item count, then its items
 *            Submenus nest at most TELVANE_MENU_MAX_DEPTH deep (the top level is depth 1).
 *
 *   Toolbar  u16 button width, u16 button height (pixels), u16 button count, then one
 *            u16 command id per button (0: a separator). Its images sit side by side, in
 *            button order, in the bitmap of the same number; its background colour
 *            RGB(192, 192, 192) is the button face and shows as transparent.
 *
 *   Bitmap   a Windows BMP file: BITMAPFILEHEADER, BITMAPINFOHEADER (40 bytes),
 *            uncompressed (BI_RGB), 1, 4, 8 or 24 bits per pixel, bottom-up rows,
 *            a colour table for 8 bits and fewer.
 *
 *   Icon     a PNG file: 8 bits per channel RGBA, not interlaced.
 */
#ifndef TELVANE_LANGPACK_LANGUAGEPACKABI_H
#define TELVANE_LANGPACK_LANGUAGEPACKABI_H

#include <stddef.h>

#define TELVANE_PACK_FORMAT 1u

/* Resource types: the first argument of GetLangResource. */
#define TELVANE_RESOURCE_STRING 1u
#define TELVANE_RESOURCE_DIALOG 2u
#define TELVANE_RESOURCE_MENU 3u
#define TELVANE_RESOURCE_TOOLBAR 4u
#define TELVANE_RESOURCE_BITMAP 5u
#define TELVANE_RESOURCE_ICON 6u

/* Dialog styles. */
#define TELVANE_DIALOG_POPUP 0x0001u
#define TELVANE_DIALOG_CHILD 0x0002u
#define TELVANE_DIALOG_VISIBLE 0x0004u
#define TELVANE_DIALOG_CAPTION 0x0008u
#define TELVANE_DIALOG_SYSTEM_MENU 0x0010u
#define TELVANE_DIALOG_MINIMIZE_BOX 0x0020u
#define TELVANE_DIALOG_MAXIMIZE_BOX 0x0040u
#define TELVANE_DIALOG_MODAL_FRAME 0x0080u
#define TELVANE_DIALOG_ALL_STYLES 0x00FFu

#define TELVANE_NO_CONTROL_ID 0xFFFFu

/* Control kinds. */
#define TELVANE_CONTROL_PUSH_BUTTON 1u
#define TELVANE_CONTROL_DEFAULT_PUSH_BUTTON 2u
#define TELVANE_CONTROL_STATIC_TEXT 3u
#define TELVANE_CONTROL_EDIT 4u
#define TELVANE_CONTROL_CHECK_BOX 5u    /* automatic */
#define TELVANE_CONTROL_RADIO_BUTTON 6u /* automatic */
#define TELVANE_CONTROL_GROUP_BOX 7u
#define TELVANE_CONTROL_PICTURE 8u /* shows its image */
#define TELVANE_CONTROL_FRAME 9u   /* an empty static frame */
#define TELVANE_CONTROL_COMBO_BOX 10u
#define TELVANE_CONTROL_LIST_VIEW 11u
#define TELVANE_CONTROL_TAB_CONTROL 12u
#define TELVANE_CONTROL_RICH_EDIT 13u
#define TELVANE_CONTROL_LAST_KIND 13u

/* Control styles. */
#define TELVANE_STYLE_DISABLED 0x0001u
#define TELVANE_STYLE_PASSWORD 0x0002u
#define TELVANE_STYLE_DIGITS_ONLY 0x0004u
#define TELVANE_STYLE_AUTO_HSCROLL 0x0008u /* an edit that scrolls sideways */
#define TELVANE_STYLE_NO_PREFIX 0x0010u    /* '&' is shown, not an access key */
#define TELVANE_STYLE_CENTRE 0x0020u
#define TELVANE_STYLE_RIGHT 0x0040u
#define TELVANE_STYLE_REPORT_VIEW 0x0080u
#define TELVANE_STYLE_SINGLE_SELECTION 0x0100u
#define TELVANE_STYLE_BORDER 0x0200u
#define TELVANE_STYLE_DROP_DOWN 0x0400u /* a combo box with an edit field */
#define TELVANE_STYLE_VSCROLL 0x0800u
#define TELVANE_STYLE_MULTILINE 0x1000u
#define TELVANE_STYLE_ALL 0x1FFFu

/* Menu item kinds. */
#define TELVANE_MENU_COMMAND 1u
#define TELVANE_MENU_SEPARATOR 2u
#define TELVANE_MENU_SUBMENU 3u
#define TELVANE_MENU_MAX_DEPTH 8u

#ifdef __cplusplus
extern "C" {
#endif

typedef const char* (*TelvaneGetLangName)(void);
typedef int (*TelvaneGetLangID)(void);
typedef const char* (*TelvaneGetLangDesc)(void);
typedef unsigned int (*TelvaneGetLangFormat)(void);
typedef const void* (*TelvaneGetLangResource)(unsigned int type, unsigned int id, size_t* size);

#ifdef __cplusplus
}
#endif

#endif /* TELVANE_LANGPACK_LANGUAGEPACKABI_H */
