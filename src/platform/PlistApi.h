#pragma once

// The two libplist calls whose form changed in libplist 2.3: reading from
// memory gained a fourth argument (the format it found), and what libplist
// hands out (written lists, dictionary keys) is freed with plist_mem_free,
// which replaced plist_to_bin_free and plist_to_xml_free; 2.2 hands out plain
// malloc'd memory. The build defines BRENVOSS_LIBPLIST_2_3 from the version
// pkg-config reports.
#include <cstdint>
#include <cstdlib>
#include <plist/plist.h>

#ifndef BRENVOSS_LIBPLIST_2_3
#error "BRENVOSS_LIBPLIST_2_3 comes with the PkgConfig::plist target; link it"
#endif

// Reads an XML or binary property list; `root` stays null when it cannot.
inline void plistFromMemory(const char* data, uint32_t length, plist_t* root)
{
#if BRENVOSS_LIBPLIST_2_3
    plist_from_memory(data, length, root, nullptr);
#else
    plist_from_memory(data, length, root);
#endif
}

// Frees memory libplist handed out: plist_to_bin, plist_to_xml, keys.
inline void plistMemFree(void* memory)
{
#if BRENVOSS_LIBPLIST_2_3
    plist_mem_free(memory);
#else
    std::free(memory); // NOLINT(cppcoreguidelines-no-malloc): libplist's malloc
#endif
}
