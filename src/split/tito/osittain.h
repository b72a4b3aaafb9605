// The TITO split that archives, kept in the journal of kesken.h segment by segment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "split/kesken.h"
#include "split/paloittele.h"

namespace split::tito {

// Splits the archive with the journal kept, from its start (or from kesken's start, when its
// journal has only its first record: a split of what came after an earlier one), or, with kesken, from that
// declared segment of a cut-off split: its company files checked against the batches first,
// a cut-off batch's own bytes cut, delivered batches passed over. Company files are flushed
// before the journal moves past their batches; the journal's owner removes it at the end. kohde, when
// given, is o.kohde's folder as this run names it (relative to the working folder, perhaps):
// every company file is opened by a path no longer than the split without archiving uses.
void jaaOsittain(Kirjaus& kirja, const KirjanOtsikko& o, const std::string& arkisto,
                     const KirjanOsa* kesken, Yhteenveto& y, const std::string* kohde = nullptr);

// A segment ends at the batch that would bring in more company files than the settings'
// saadot.jaksot.tiedostoja, or at the batch that would take it past saadot.jaksot.tavuja bytes
// (a longer batch is a segment of its own); saadot.jaksot.ennakko T00 lines at most are named
// ahead (built in: 4096 files, 16 MiB, 8192 lines). Every segment is one flush round. The
// archive is read through a window of saadot.puskuri bytes (built in: the segment's bound, at
// most 256 KiB), and the T00 lines past it read once more ahead of it.

}  // namespace split::tito
