import QtQuick
import Vokari

// A button the width of the screen: filled for the screen's main action, outlined for a lesser
// one (and for a sheet's cancel), as the screen's role for it says.
Item {
    id: button
    property var value: ({})
    property int element: -1
    property int serial: -1
    readonly property bool secondary: value.role === "secondary" || value.role === "cancel"
    objectName: "button:" + (value.title || "")
    visible: !value.hidden
    implicitHeight: 62

    Pressable {
        id: control
        x: Theme.margin
        y: 8
        width: parent.width - 2 * Theme.margin
        height: 48
        text: button.value.title || ""
        enabled: button.value.enabled !== false
        onClicked: client.press(button.serial, button.element)
        background: Rectangle {
            objectName: "buttonFace"
            radius: Theme.radius
            color: button.secondary ? (control.down ? "#e3e9f4" : Theme.card)
                 : !control.enabled ? "#b8c4d6" : control.down ? Theme.accentPressed : Theme.accent
            border.width: button.secondary ? 1 : 0
            border.color: Theme.accent
            opacity: button.secondary && !control.enabled ? 0.5 : 1
        }
        contentItem: Text {
            text: control.text
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
            color: button.secondary ? Theme.accent : "white"
            font.pixelSize: 17
            font.bold: true
        }
    }
}
