import QtQuick
import Vokari

// A button the width of the screen: filled for the screen's main action, outlined for a lesser
// one, as the screen's role for it says.
Item {
    id: button
    property var value: ({})
    property int element: -1
    property int serial: -1
    readonly property bool enabled: value.enabled !== false
    objectName: "button:" + (value.title || "")
    visible: !value.hidden
    implicitHeight: 62

    Rectangle {
        objectName: "buttonFace"
        x: Theme.margin
        y: 8
        width: parent.width - 2 * Theme.margin
        height: 48
        radius: Theme.radius
        readonly property bool secondary: value.role === "secondary"
        color: secondary ? (area.pressed ? "#e3e9f4" : Theme.card)
             : !button.enabled ? "#b8c4d6" : area.pressed ? Theme.accentPressed : Theme.accent
        border.width: secondary ? 1 : 0
        border.color: Theme.accent
        opacity: secondary && !button.enabled ? 0.5 : 1
        Text {
            anchors.centerIn: parent
            text: value.title || ""
            color: parent.secondary ? Theme.accent : "white"
            font.pixelSize: 17
            font.bold: true
        }
        MouseArea {
            id: area
            anchors.fill: parent
            enabled: button.enabled
            onClicked: client.press(button.serial, button.element)
        }
    }
}
