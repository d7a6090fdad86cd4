import QtQuick
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
        objectName: "shield"
        anchors.fill: parent
        enabled: overlay.model.blocks === true
        visible: enabled
    }

    // A notice is read out as it appears.
    Rectangle {
        Accessible.role: Accessible.AlertMessage
        Accessible.ignored: !overlay.visible
        Accessible.name: overlay.model.text || (overlay.model.kind === "busy" ? "请稍候" : "")
        anchors.centerIn: parent
        width: Math.min(Math.max(hudText.implicitWidth + 40, 140), overlay.width - 80)
        height: content.implicitHeight + 36
        radius: 14
        color: Qt.rgba(0.1, 0.1, 0.12, 0.86)
        Column {
            id: content
            anchors.centerIn: parent
            width: parent.width - 40
            spacing: 10
            Item {  // the busy wheel: a faint ring and a bright arc turning on it
                anchors.horizontalCenter: parent.horizontalCenter
                visible: overlay.model.kind === "busy"
                width: 36
                height: 36
                Rectangle {
                    anchors.fill: parent
                    radius: width / 2
                    color: "transparent"
                    border.width: 4
                    border.color: Qt.rgba(1, 1, 1, 0.25)
                }
                Item {
                    id: wheel
                    anchors.fill: parent
                    Rectangle {
                        x: parent.width / 2 - 4
                        y: 0
                        width: 8
                        height: 8
                        radius: 4
                        color: "white"
                    }
                    RotationAnimator on rotation {
                        from: 0
                        to: 360
                        duration: 900
                        loops: Animation.Infinite
                        running: overlay.visible && overlay.model.kind === "busy"
                    }
                }
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
                id: hudText
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
