import QtQuick
import Vokari

// Every pressable thing of the window: reached with Tab in reading order, pressed with the
// mouse, Return, Enter or Space, and told to a screen reader by its role (a button unless set)
// and its name (its text unless set). The look is the user's: background, contentItem and any
// children. A plain item rather than a Qt Quick Controls button, whose role a screen reader's
// arrival would reset to "button" (a check box, a tab or a link would lose theirs).
Item {
    id: control
    property string text
    property bool checked: false
    readonly property bool down: area.pressed
    property Item background: null
    property Item contentItem: null
    // Whether Return and Enter press it; an alert's buttons leave those keys to their alert.
    property bool returnPresses: true
    property real focusInset: -3
    signal clicked

    activeFocusOnTab: enabled
    implicitWidth: contentItem ? contentItem.implicitWidth : 0
    implicitHeight: contentItem ? contentItem.implicitHeight : 0
    Accessible.role: Accessible.Button
    Accessible.name: text
    Accessible.focusable: true
    Accessible.ignored: !visible  // what is not shown is not told
    Accessible.focused: activeFocus
    Accessible.onPressAction: press()

    function press() { if (enabled) control.clicked() }
    function fill(item, z) {
        if (!item) return
        item.parent = control
        item.z = z
        item.anchors.fill = control
    }
    onBackgroundChanged: fill(background, -1)
    onContentItemChanged: fill(contentItem, 0)
    Component.onCompleted: { fill(background, -1); fill(contentItem, 0) }

    Keys.onSpacePressed: (event) => { event.accepted = true; if (!event.isAutoRepeat) press() }
    Keys.onReturnPressed: (event) => { event.accepted = returnPresses; if (returnPresses) press() }
    Keys.onEnterPressed: (event) => { event.accepted = returnPresses; if (returnPresses) press() }

    MouseArea {
        id: area
        anchors.fill: parent
        enabled: control.enabled && control.activeFocusOnTab
        onClicked: control.press()
    }
    FocusMark { inset: control.focusInset }
}
