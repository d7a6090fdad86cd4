import QtQuick
import Vokari
import "Focus.js" as Focus

// The alert or action sheet on top, over a dimmed screen. It holds the keyboard while open:
// Tab goes round its buttons, Escape presses its cancel button, Return its preferred one (never
// a destructive one), Space the button with the focus. A screen reader meets it as an alert
// named by its title and message.
FocusScope {
    id: overlay
    objectName: "alertOverlay"
    readonly property var model: client.alert
    readonly property var buttons: model.buttons || []
    readonly property bool open: model.open === true
    visible: open

    // The button the focus starts on: the preferred one, else the cancel one, else the first
    // that destroys nothing.
    readonly property int startIndex: {
        if (model.preferred >= 0) return model.preferred
        if (model.cancel >= 0) return model.cancel
        for (let i = 0; i < buttons.length; ++i) if (i !== model.destructive) return i
        return -1
    }
    property Item focusBefore: null
    onOpenChanged: {
        if (open) {
            focusBefore = overlay.Window.activeFocusItem
            Qt.callLater(overlay.focusStart)
        } else {
            Focus.restore(focusBefore, overlay.parent)
            focusBefore = null
        }
    }
    function focusStart() {
        if (!open) return
        const start = findButton(startIndex)
        if (start) start.forceActiveFocus(Qt.OtherFocusReason)
        else overlay.forceActiveFocus(Qt.OtherFocusReason)
    }
    function findButton(index) {
        const column = model.sheet ? sheetColumn : alertButtons
        for (let i_ = 0; i_ < column.children.length; ++i_) {
            const b = column.children[i_]
            const button = b.button || b
            if (button.index === index && button.visible) return button
        }
        return null
    }
    function answer(index) { if (index >= 0) client.answerAlert(index) }

    Keys.onEscapePressed: answer(model.cancel)
    Keys.onReturnPressed: returnKey()
    Keys.onEnterPressed: returnKey()
    Keys.onTabPressed: Focus.cycle(overlay, overlay.Window.activeFocusItem, true)
    Keys.onBacktabPressed: Focus.cycle(overlay, overlay.Window.activeFocusItem, false)
    function returnKey() {
        if (model.preferred >= 0) return answer(model.preferred)
        const focused = overlay.Window.activeFocusItem
        if (focused && focused.index !== undefined && focused.index !== model.destructive
                && Focus.inside(overlay, focused))
            answer(focused.index)
    }

    Rectangle {
        anchors.fill: parent
        color: Qt.rgba(0, 0, 0, 0.4)
        MouseArea { objectName: "shield"; anchors.fill: parent }  // the screen below takes no taps
    }

    component AlertButton: Pressable {
        id: button
        property int index
        property bool destructive: false
        property bool strong: false
        objectName: "alertButton:" + text
        height: 48
        returnPresses: false  // the alert decides what Return presses
        focusInset: 3
        onClicked: client.answerAlert(button.index)
        background: Rectangle { color: button.down ? "#ececf1" : "transparent" }
        contentItem: Text {
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
            text: button.text
            color: button.destructive ? Theme.danger : Theme.accent
            font.pixelSize: 17
            font.bold: button.strong
        }
    }

    // An alert: title, message, buttons side by side when there are two, stacked otherwise.
    Rectangle {
        objectName: "alert"
        visible: !overlay.model.sheet
        anchors.centerIn: parent
        width: Math.min(300, parent.width - 60)
        height: alertColumn.implicitHeight
        radius: 14
        color: Theme.card
        Accessible.role: Accessible.AlertMessage
        Accessible.ignored: !visible
        Accessible.name: [overlay.model.title || "", overlay.model.message || ""].filter(t => t !== "").join("，")
        Column {
            id: alertColumn
            width: parent.width
            Item { width: 1; height: 20 }
            Text {
                objectName: "alertTitle"
                visible: text !== ""
                width: parent.width - 32
                x: 16
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                text: overlay.model.title || ""
                color: Theme.text
                font.pixelSize: 17
                font.bold: true
                bottomPadding: 6
            }
            Text {
                objectName: "alertMessage"
                visible: text !== ""
                width: parent.width - 32
                x: 16
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                text: overlay.model.message || ""
                color: Theme.text
                font.pixelSize: 15
            }
            Item { width: 1; height: 18 }
            Rectangle { width: parent.width; height: 1; color: Theme.separator }
            Flow {
                id: alertButtons
                width: parent.width
                Repeater {
                    model: overlay.model.sheet ? [] : overlay.buttons
                    delegate: AlertButton {
                        required property var modelData
                        required property int index
                        width: overlay.buttons.length === 2 ? alertColumn.width / 2 : alertColumn.width
                        text: modelData
                        index: index
                        destructive: index === overlay.model.destructive
                        strong: index === overlay.model.preferred
                        Rectangle {  // separators between buttons
                            visible: parent.index > 0
                            width: overlay.buttons.length === 2 ? 1 : parent.width
                            height: overlay.buttons.length === 2 ? parent.height : 1
                            color: Theme.separator
                        }
                    }
                }
            }
        }
    }

    // A sheet: the buttons in a card at the bottom, the destructive one in red.
    Rectangle {
        objectName: "sheet"
        visible: overlay.model.sheet === true
        anchors { left: parent.left; right: parent.right; bottom: parent.bottom; margins: 10 }
        height: sheetColumn.implicitHeight
        radius: 14
        color: Theme.card
        Accessible.role: Accessible.AlertMessage
        Accessible.ignored: !visible
        Accessible.name: [overlay.model.title || "", overlay.model.message || ""].filter(t => t !== "").join("，") || "请选择"
        Column {
            id: sheetColumn
            width: parent.width
            Text {
                visible: text !== ""
                width: parent.width - 32
                x: 16
                topPadding: 14
                bottomPadding: 10
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                text: [overlay.model.title || "", overlay.model.message || ""].filter(t => t !== "").join("\n")
                color: Theme.secondary
                font.pixelSize: Theme.smallFontSize
            }
            Repeater {
                model: overlay.model.sheet ? overlay.buttons : []
                delegate: Column {
                    required property var modelData
                    required property int index
                    readonly property Item button: sheetButton
                    width: sheetColumn.width
                    Rectangle { width: parent.width; height: 1; color: Theme.separator }
                    AlertButton {
                        id: sheetButton
                        width: parent.width
                        text: modelData
                        index: parent.index
                        destructive: parent.index === overlay.model.destructive
                        strong: parent.index === overlay.model.preferred
                    }
                }
            }
        }
    }
}
