import QtQuick
import Vokari
import "Focus.js" as Focus

// Where a phone would dial: the number being called. A desktop cannot place the call, and the
// panel says so. It holds the keyboard while shown; Escape closes it, as its close button does.
FocusScope {
    id: panel
    objectName: "callPanel"
    readonly property var model: client.call
    visible: model.visible === true
    property Item focusBefore: null
    onVisibleChanged: {
        if (visible) {
            focusBefore = panel.Window.activeFocusItem
            Qt.callLater(() => close.forceActiveFocus(Qt.OtherFocusReason))
        } else {
            Focus.restore(focusBefore, panel.parent)
            focusBefore = null
        }
    }
    Keys.onEscapePressed: client.closeCall()
    Keys.onTabPressed: Focus.cycle(panel, panel.Window.activeFocusItem, true)
    Keys.onBacktabPressed: Focus.cycle(panel, panel.Window.activeFocusItem, false)

    Rectangle {
        anchors.fill: parent
        gradient: Gradient {
            GradientStop { position: 0; color: "#20324f" }
            GradientStop { position: 1; color: "#0d1526" }
        }
        MouseArea { objectName: "shield"; anchors.fill: parent }
    }

    Column {
        anchors { top: parent.top; topMargin: parent.height * 0.16; horizontalCenter: parent.horizontalCenter }
        width: parent.width - 48
        spacing: 14
        Accessible.role: Accessible.AlertMessage
        Accessible.ignored: !panel.visible
        Accessible.name: "正在呼叫 " + (panel.model.number || "")
        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: "正在呼叫"
            color: "#c9d3e6"
            font.pixelSize: 18
        }
        Text {
            // A long number shrinks to the panel's width rather than losing digits.
            objectName: "callNumber"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            text: panel.model.number || ""
            color: "white"
            font.pixelSize: 46
            font.bold: true
            fontSizeMode: Text.HorizontalFit
            minimumPixelSize: 18
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

    Pressable {
        id: close
        objectName: "callClose"
        anchors { bottom: parent.bottom; bottomMargin: parent.height * 0.12; horizontalCenter: parent.horizontalCenter }
        width: 72
        height: 72
        text: "关闭"
        focusInset: -4
        onClicked: client.closeCall()
        background: Rectangle {
            radius: 36
            color: close.down ? "#b3261e" : Theme.danger
        }
        contentItem: Text {
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            text: "✕"
            color: "white"
            font.pixelSize: 30
        }
    }
    Text {
        anchors { top: close.bottom; topMargin: 10; horizontalCenter: parent.horizontalCenter }
        text: "关闭"
        color: "#c9d3e6"
        font.pixelSize: 14
        Accessible.ignored: true  // the button's own name
    }
}
