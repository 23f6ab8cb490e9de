/*
 * The exports of a language pack (LanguagePackAbi.h) over the catalogue that the
 * generator compiled from the pack's source files. Written in C so that a pack carries
 * no runtime of its own: no constructors, no destructors, nothing that keeps it loaded
 * after dlclose.
 */
#include "internal/PackCatalogue.h"
#include "langpack/LanguagePackAbi.h"

#define PACK_EXPORT __attribute__((visibility("default")))

PACK_EXPORT const char* GetLangName(void) {
    return telvane_pack_name;
}

PACK_EXPORT int GetLangID(void) {
    return telvane_pack_id;
}

PACK_EXPORT const char* GetLangDesc(void) {
    return telvane_pack_description;
}

PACK_EXPORT unsigned int GetLangFormat(void) {
    return TELVANE_PACK_FORMAT;
}

PACK_EXPORT const void* GetLangResource(unsigned int type, unsigned int id, size_t* size) {
    size_t low = 0;
    size_t high = telvane_pack_entry_count;
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        const struct TelvanePackEntry* entry = &telvane_pack_entries[middle];
        if (entry->type < type || (entry->type == type && entry->id < id)) {
            low = middle + 1;
        } else if (entry->type == type && entry->id == id) {
            if (size) {
                *size = entry->size;
            }
            return telvane_pack_data + entry->offset;
        } else {
            high = middle;
        }
    }
    if (size) {
        *size = 0;
    }
    return NULL;
}
