import QtQuick
import Vokari

// Where a phone would dial: the number being called. A desktop cannot place the call, and the
// panel says so.
Rectangle {
    id: panel
    objectName: "callPanel"
    readonly property var model: client.call
    visible: model.visible === true
    gradient: Gradient {
        GradientStop { position: 0; color: "#20324f" }
        GradientStop { position: 1; color: "#0d1526" }
    }
    MouseArea { anchors.fill: parent }

    Column {
        anchors { top: parent.top; topMargin: parent.height * 0.16; horizontalCenter: parent.horizontalCenter }
        width: parent.width - 48
        spacing: 14
        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: "正在呼叫"
            color: "#c9d3e6"
            font.pixelSize: 18
        }
        Text {
            objectName: "callNumber"
            anchors.horizontalCenter: parent.horizontalCenter
            text: panel.model.number || ""
            color: "white"
            font.pixelSize: 46
            font.bold: true
        }
        Item { width: 1; height: 24 }
        Text {
            objectName: "callNotice"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            text: "这是一台电脑，无法拨打电话。\n请用手机拨打 " + (panel.model.number || "") + "。"
            color: "#c9d3e6"
            font.pixelSize: 15
            lineHeight: 1.2
        }
    }

    Rectangle {
        objectName: "callClose"
        anchors { bottom: parent.bottom; bottomMargin: parent.height * 0.12; horizontalCenter: parent.horizontalCenter }
        width: 72
        height: 72
        radius: 36
        color: area.pressed ? "#b3261e" : Theme.danger
        Text {
            anchors.centerIn: parent
            text: "✕"
            color: "white"
            font.pixelSize: 30
        }
        MouseArea {
            id: area
            anchors.fill: parent
            onClicked: client.closeCall()
        }
    }
    Text {
        anchors { top: parent.bottom; topMargin: -parent.height * 0.12 + 10; horizontalCenter: parent.horizontalCenter }
        text: "关闭"
        color: "#c9d3e6"
        font.pixelSize: 14
    }
}
