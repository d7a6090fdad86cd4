import QtQuick
import Vokari

// A check box with its title; the whole line takes the tap.
Item {
    id: check
    property var value: ({})
    property int element: -1
    property int serial: -1
    visible: !value.hidden
    implicitHeight: 40

    Pressable {
        id: control
        objectName: "check:" + (check.value.title || "")
        x: Theme.margin - 4
        width: parent.width - 2 * Theme.margin + 8
        height: parent.height
        text: check.value.title || ""
        checked: !!check.value.checked
        Accessible.role: Accessible.CheckBox
        Accessible.checkable: true
        Accessible.checked: checked
        onClicked: client.press(check.serial, check.element)
        contentItem: Item {
            Rectangle {
                id: box
                x: 4
                anchors.verticalCenter: parent.verticalCenter
                width: 22
                height: 22
                radius: 5
                color: control.checked ? Theme.accent : Theme.card
                border.color: control.checked ? Theme.accent : Theme.hint
                border.width: 2
                Text {
                    anchors.centerIn: parent
                    visible: control.checked
                    text: "✓"
                    color: "white"
                    font.pixelSize: 15
                    font.bold: true
                }
            }
            Text {
                anchors { left: box.right; leftMargin: 10; right: parent.right
                          verticalCenter: parent.verticalCenter }
                text: control.text
                elide: Text.ElideRight
                color: Theme.text
                font.pixelSize: 15
            }
        }
    }
}
