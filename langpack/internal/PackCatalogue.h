/*
 * What the generator writes for one pack (its catalogue, <pack>_catalogue.c) and the
 * pack library (PackLibrary.c) serves through the exports of LanguagePackAbi.h.
 * Everything here is constant data: a pack has nothing to construct or destroy.
 */
#ifndef TELVANE_LANGPACK_PACKCATALOGUE_H
#define TELVANE_LANGPACK_PACKCATALOGUE_H

#include <stddef.h>

struct TelvanePackEntry {
    unsigned int type;
    unsigned int id;
    size_t offset; /* into telvane_pack_data */
    size_t size;
};

extern const char telvane_pack_name[];
extern const int telvane_pack_id;
extern const char telvane_pack_description[];

/* Sorted by type, then id; no two entries share both. */
extern const struct TelvanePackEntry telvane_pack_entries[];
extern const size_t telvane_pack_entry_count;
extern const unsigned char telvane_pack_data[];

#endif /* TELVANE_LANGPACK_PACKCATALOGUE_H */
