#include "instruments/InstrumentKeys.h"

#include "entry/EntryEngine.h"
#include "entry/RecordState.h"
#include "platform/EntryView.h"

namespace k7 {

bool InstrumentBoxKey(int code, EntryEngine& engine, const RecordState& state, EntryView& view)
{
    switch (code) {
    case Key::CtrlC:
        engine.clearRecord();
        return true;
    case Key::CtrlE:
        if (!state.editing)
            view.focusGrid();
        return true;
    case Key::CtrlI:
        if (view.infoButtonTag(Frame::Instrument).isEmpty())
            return false;
        engine.infoButtonClicked(Frame::Instrument);
        return true;
    case Key::Enter:
        engine.AcceptValue();
        return true;
    case Key::Esc:
        engine.previousvarPressed();
        return true;
    default:
        return false;
    }
}

}  // namespace k7
