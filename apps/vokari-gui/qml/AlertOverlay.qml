import QtQuick
import Vokari

// The alert or action sheet on top, over a dimmed screen.
Item {
    id: overlay
    objectName: "alertOverlay"
    readonly property var model: client.alert
    readonly property var buttons: model.buttons || []
    visible: model.open === true

    Rectangle {
        anchors.fill: parent
        color: Qt.rgba(0, 0, 0, 0.4)
        MouseArea { anchors.fill: parent }  // the screen below takes no taps
    }

    component AlertButton: Rectangle {
        id: button
        property string text
        property int index
        property bool destructive: false
        property bool strong: false
        objectName: "alertButton:" + text
        height: 48
        color: area.pressed ? "#ececf1" : "transparent"
        Text {
            anchors.centerIn: parent
            width: parent.width - 16
            horizontalAlignment: Text.AlignHCenter
            elide: Text.ElideRight
            text: button.text
            color: button.destructive ? Theme.danger : Theme.accent
            font.pixelSize: 17
            font.bold: button.strong
        }
        MouseArea {
            id: area
            anchors.fill: parent
            onClicked: client.answerAlert(button.index)
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
        clip: true
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
                width: parent.width
                Repeater {
                    model: overlay.model.sheet ? [] : overlay.buttons
                    delegate: AlertButton {
                        required property var modelData
                        required property int index
                        width: overlay.buttons.length === 2 ? alertColumn.width / 2 : alertColumn.width
                        text: modelData
                        index: index
                        strong: index === overlay.buttons.length - 1
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
        clip: true
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
                    width: sheetColumn.width
                    Rectangle { width: parent.width; height: 1; color: Theme.separator }
                    AlertButton {
                        width: parent.width
                        text: modelData
                        index: parent.index
                        destructive: parent.index === overlay.model.destructive
                    }
                }
            }
        }
    }
}
