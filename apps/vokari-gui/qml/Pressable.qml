import QtQuick
import QtQuick.Templates as T
import Vokari

// Every pressable thing of the window: reached with Tab in reading order, pressed with the
// mouse, Return, Enter or Space, and told to a screen reader by its role (a button unless set)
// and its name (its text unless set). The look is the user's: background and contentItem.
T.AbstractButton {
    id: control
    // Whether Return and Enter press it; an alert's buttons leave those keys to their alert.
    property bool returnPresses: true
    property real focusInset: -3
    focusPolicy: Qt.TabFocus
    hoverEnabled: true
    Accessible.name: text
    Accessible.onPressAction: press()

    function press() { if (enabled) control.clicked() }
    Keys.onReturnPressed: (event) => { event.accepted = returnPresses; if (returnPresses) press() }
    Keys.onEnterPressed: (event) => { event.accepted = returnPresses; if (returnPresses) press() }

    FocusMark { inset: control.focusInset }
}
