// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "settings/registry.h"

namespace torvane {

// Runs `work` on the store, then closes the key and flushes the store, also
// when the work stops with an exception: what was written before the failure is kept, as
// it would be in a store that writes through. The work's own failure is the
// one reported.
template <class Work>
void FlushAfter(Registry& store, Work&& work) {
    try {
        work();
    } catch (...) {
        store.CloseKey();
        try {
            store.Flush();
        } catch (...) {
            // The first failure is the one the user can act on.
        }
        throw;
    }
    store.CloseKey();
    store.Flush();
}

}  // namespace torvane
