import QtQuick
import Vokari

// An incoming text message of the built-in services, so the code can be read; a tap puts it
// away.
Item {
    id: banner
    objectName: "smsBanner"
    readonly property var model: client.sms
    visible: model.visible === true
    height: card.height + 16
    z: 10

    Rectangle {
        id: card
        x: 8
        y: 8
        width: parent.width - 16
        height: column.implicitHeight + 20
        radius: 14
        color: Qt.rgba(0.97, 0.97, 0.98, 0.97)
        border.color: "#d0d3da"
        Column {
            id: column
            x: 14
            y: 10
            width: parent.width - 28
            spacing: 4
            Text {
                text: "信息 · " + (banner.model.phone || "")
                color: Theme.secondary
                font.pixelSize: Theme.smallFontSize
                font.bold: true
            }
            Text {
                objectName: "smsText"
                width: parent.width
                wrapMode: Text.Wrap
                text: banner.model.text || ""
                color: Theme.text
                font.pixelSize: 15
            }
        }
        MouseArea {
            anchors.fill: parent
            onClicked: client.closeSms()
        }
    }
}
