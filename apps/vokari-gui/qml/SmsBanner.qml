import QtQuick
import Vokari

// An incoming text message of the built-in services, so the code can be read, or a notice of the
// application's own (with a title of its own). It takes its own
// place above the screen, so it never covers the input being typed in; a click, Return or Space
// on it, or Escape anywhere, puts it away.
Pressable {
    id: banner
    objectName: "smsBanner"
    readonly property var model: client.sms
    visible: model.visible === true
    height: visible ? card.height + 16 : 0
    text: (model.title || ("信息 " + (model.phone || ""))) + "：" + (model.text || "")
    Accessible.role: Accessible.AlertMessage
    focusInset: 6
    onClicked: client.closeSms()

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
            Row {
                width: parent.width
                Text {
                    width: parent.width - hint.width
                    text: banner.model.title || ("信息 · " + (banner.model.phone || ""))
                    color: Theme.secondary
                    font.pixelSize: Theme.smallFontSize
                    font.bold: true
                }
                Text {
                    id: hint
                    text: "点击关闭"
                    color: Theme.hint
                    font.pixelSize: Theme.smallFontSize
                }
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
    }
}
