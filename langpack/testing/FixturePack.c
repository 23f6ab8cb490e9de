/*
 * Libraries for the tests of the pack loader, each built from this file with some of:
 *   FIXTURE_NAME="..."    the name GetLangName reports (default "Fixture")
 *   FIXTURE_WITHOUT_ID    no GetLangID export
 *   FIXTURE_WITHOUT_NAME  no GetLangName export
 *   FIXTURE_NULL_NAME     GetLangName returns NULL
 *   FIXTURE_FORMAT=N      GetLangFormat reports N (default: the format of this program)
 *   FIXTURE_DAMAGED       every resource of the catalogue's kinds is present but broken
 * They are test fixtures, never installed.
 */
#include <stddef.h>

#include "langpack/LanguagePackAbi.h"

#define FIXTURE_EXPORT __attribute__((visibility("default")))

#ifndef FIXTURE_NAME
#define FIXTURE_NAME "Fixture"
#endif
#ifndef FIXTURE_FORMAT
#define FIXTURE_FORMAT TELVANE_PACK_FORMAT
#endif

#ifndef FIXTURE_WITHOUT_NAME
FIXTURE_EXPORT const char* GetLangName(void) {
#ifdef FIXTURE_NULL_NAME
    return NULL;
#else
    return FIXTURE_NAME;
#endif
}
#endif

#ifndef FIXTURE_WITHOUT_ID
FIXTURE_EXPORT int GetLangID(void) {
    return 4242;
}
#endif

FIXTURE_EXPORT const char* GetLangDesc(void) {
    return "Test fixture";
}

FIXTURE_EXPORT unsigned int GetLangFormat(void) {
    return FIXTURE_FORMAT;
}

#ifdef FIXTURE_DAMAGED
/* String 1: not UTF-8. String 2: a zero byte inside. String 3: fine. */
static const unsigned char bad_utf8[] = {'a', 0xC3, 0x28, 0};
static const unsigned char inner_zero[] = {'a', 0, 'b', 0};
static const unsigned char good[] = {'o', 'k', ' ', '%', 'd', 0};
/* Dialog 1: cut inside its first control (the count says one control). */
static const unsigned char cut_dialog[] = {0x09, 0, 10, 0, 10, 0, 0, 0, 0, 0,
                                           8,    0, 0,  0, 1,  0, 1, 0, 3};
/* Menu 1: submenus nested past the limit. */
static const unsigned char deep_menu[] = {1, 0, 3, 0, 0, 1, 0, 3, 0, 0, 1, 0, 3, 0,
                                          0, 1, 0, 3, 0, 0, 1, 0, 3, 0, 0, 1, 0, 3,
                                          0, 0, 1, 0, 3, 0, 0, 1, 0, 3, 0, 0, 0, 0};
/* Toolbar 1: says three buttons, holds two. */
static const unsigned char short_toolbar[] = {40, 0, 30, 0, 3, 0, 1, 0, 2, 0};
/* Bitmap 1: a BMP header whose pixels would lie past the end. */
static const unsigned char cut_bitmap[] = {
    'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 16, 0, 0, 0, 16, 0, 0, 0, 1, 0, 24,
    0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 1, 2, 3, 4};
/* Icon 1: a PNG signature and nothing else. */
static const unsigned char bare_png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

struct FixtureEntry {
    unsigned int type;
    unsigned int id;
    const unsigned char* data;
    size_t size;
};

static const struct FixtureEntry entries[] = {
    {TELVANE_RESOURCE_STRING, 1, bad_utf8, sizeof bad_utf8 - 1},
    {TELVANE_RESOURCE_STRING, 2, inner_zero, sizeof inner_zero - 1},
    {TELVANE_RESOURCE_STRING, 3, good, sizeof good - 1},
    {TELVANE_RESOURCE_DIALOG, 1, cut_dialog, sizeof cut_dialog},
    {TELVANE_RESOURCE_MENU, 1, deep_menu, sizeof deep_menu},
    {TELVANE_RESOURCE_TOOLBAR, 1, short_toolbar, sizeof short_toolbar},
    {TELVANE_RESOURCE_BITMAP, 1, cut_bitmap, sizeof cut_bitmap},
    {TELVANE_RESOURCE_ICON, 1, bare_png, sizeof bare_png},
};
#endif

FIXTURE_EXPORT const void* GetLangResource(unsigned int type, unsigned int id, size_t* size) {
#ifdef FIXTURE_DAMAGED
    for (size_t i = 0; i < sizeof entries / sizeof entries[0]; ++i) {
        if (entries[i].type == type && entries[i].id == id) {
            if (size) {
                *size = entries[i].size;
            }
            return entries[i].data;
        }
    }
#else
    (void)type;
    (void)id;
#endif
    if (size) {
        *size = 0;
    }
    return NULL;
}
