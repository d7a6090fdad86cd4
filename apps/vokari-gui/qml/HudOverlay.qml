import QtQuick
import QtQuick.Controls.Basic
import Vokari

// The progress overlay: busy with its text (blocking touches when asked), or a success or
// error notice that the core takes away after its duration.
Item {
    id: overlay
    objectName: "hud"
    readonly property var model: client.hud
    readonly property bool shown: model.kind !== "hidden"
    visible: shown

    MouseArea {  // swallows taps while the screen is busy
        anchors.fill: parent
        enabled: overlay.model.blocks === true
        visible: enabled
    }

    Rectangle {
        anchors.centerIn: parent
        width: Math.min(Math.max(content.implicitWidth + 40, 140), parent.width - 80)
        height: content.implicitHeight + 36
        radius: 14
        color: Qt.rgba(0.1, 0.1, 0.12, 0.86)
        Column {
            id: content
            anchors.centerIn: parent
            width: parent.width - 40
            spacing: 10
            BusyIndicator {
                anchors.horizontalCenter: parent.horizontalCenter
                visible: overlay.model.kind === "busy"
                running: visible
                width: 40
                height: 40
                palette.dark: "white"
            }
            Text {
                anchors.horizontalCenter: parent.horizontalCenter
                visible: overlay.model.kind === "success" || overlay.model.kind === "error"
                text: overlay.model.kind === "success" ? "✓" : "✕"
                color: overlay.model.kind === "success" ? "#7ee2a8" : "#ff8a80"
                font.pixelSize: 34
                font.bold: true
            }
            Text {
                objectName: "hudText"
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                visible: text !== ""
                text: overlay.model.text || ""
                color: "white"
                font.pixelSize: 15
            }
        }
    }
}
