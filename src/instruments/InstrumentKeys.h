#pragma once
// Keys typed into the instrument box. A keyboard wedge types its reading and
// ends it with Enter, so Enter accepts here as in the other input boxes.

namespace k7 {

class EntryEngine;
class EntryView;
struct RecordState;

// Handles the key with character `code`; true when consumed (the box must
// then not act on it). Ctrl+C restarts the record, Ctrl+E moves to the grid
// (not while a cell is edited), Ctrl+I (Tab) opens the frame's info file when
// there is one, Enter accepts, Esc steps back; other keys type as usual.
bool InstrumentBoxKey(int code, EntryEngine& engine, const RecordState& state, EntryView& view);

}  // namespace k7
