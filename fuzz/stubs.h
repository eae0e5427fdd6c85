// Counters of the stand-ins in glstub.cpp.
#pragma once

namespace fuzzstub {
extern unsigned long vertices; // glVertex3f calls
extern unsigned long boxes;    // message boxes shown
extern unsigned long textures; // texture names handed out
} // namespace fuzzstub
