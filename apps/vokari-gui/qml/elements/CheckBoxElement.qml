import QtQuick
import Vokari

// A check box with its title; the whole line takes the tap.
Item {
    id: check
    property var value: ({})
    property int element: -1
    property int serial: -1
    objectName: "check:" + (value.title || "")
    visible: !value.hidden
    implicitHeight: 40

    Rectangle {
        id: box
        x: Theme.margin
        anchors.verticalCenter: parent.verticalCenter
        width: 22
        height: 22
        radius: 5
        color: value.checked ? Theme.accent : Theme.card
        border.color: value.checked ? Theme.accent : Theme.hint
        border.width: 2
        Text {
            anchors.centerIn: parent
            visible: !!value.checked
            text: "✓"
            color: "white"
            font.pixelSize: 15
            font.bold: true
        }
    }
    Text {
        anchors { left: box.right; leftMargin: 10; right: parent.right; rightMargin: Theme.margin
                  verticalCenter: parent.verticalCenter }
        text: value.title || ""
        elide: Text.ElideRight
        color: Theme.text
        font.pixelSize: 15
    }
    MouseArea {
        anchors.fill: parent
        onClicked: client.press(check.serial, check.element)
    }
}
