import QtQuick
import Vokari
import "Focus.js" as Focus

// The screen's sheet (a picker with its buttons) in a card at the bottom, over a dimmed screen,
// the way a phone slides one up: always in view, whatever the form's length. It holds the
// keyboard while open; Escape presses its cancel button.
FocusScope {
    id: overlay
    objectName: "sheetOverlay"
    readonly property bool open: client.sheetOpen
    visible: open
    property Item focusBefore: null
    onOpenChanged: {
        if (open) {
            focusBefore = overlay.Window.activeFocusItem
            Qt.callLater(() => {
                const first = Focus.edge(card, true)
                if (first) first.forceActiveFocus(Qt.OtherFocusReason)
            })
        } else {
            Focus.restore(focusBefore, overlay.parent)
            focusBefore = null
        }
    }
    Keys.onTabPressed: Focus.cycle(overlay, overlay.Window.activeFocusItem, true)
    Keys.onBacktabPressed: Focus.cycle(overlay, overlay.Window.activeFocusItem, false)
    Keys.onEscapePressed: {
        for (let i_ = 0; i_ < column.children.length; ++i_) {
            const row = column.children[i_]
            const item = row.item
            if (item && item.value && item.value.role === "cancel" && !item.value.hidden)
                return client.press(client.screenSerial, item.element)
        }
    }

    Rectangle {
        anchors.fill: parent
        color: Qt.rgba(0, 0, 0, 0.4)
        MouseArea { objectName: "shield"; anchors.fill: parent }
    }
    Rectangle {
        id: card
        anchors { left: parent.left; right: parent.right; bottom: parent.bottom }
        height: Math.min(column.implicitHeight + 24, overlay.height - 40)
        radius: 14
        color: Theme.background
        Accessible.role: Accessible.Dialog
        Accessible.ignored: !overlay.visible
        Accessible.name: "请选择"
        Flickable {
            anchors { fill: parent; topMargin: 12; bottomMargin: 12 }
            contentHeight: column.implicitHeight
            clip: true
            boundsBehavior: Flickable.StopAtBounds
            Column {
                id: column
                width: parent.width
                Repeater {
                    model: client.sheet
                    delegate: ElementDelegate {}
                }
            }
        }
    }
}
