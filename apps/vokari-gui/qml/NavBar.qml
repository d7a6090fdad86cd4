import QtQuick
import Vokari

// Title, back control (or the screen's own left button) and the right bar button.
Rectangle {
    id: bar
    readonly property var model: client.bar
    height: Theme.barHeight
    color: Theme.barBackground

    component BarButton: Pressable {
        id: button
        width: Math.max(label.implicitWidth + 20, 44)
        height: 36
        background: Rectangle {
            radius: 8
            color: button.down ? Qt.rgba(1, 1, 1, 0.18) : "transparent"
        }
        contentItem: Text {
            id: label
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            text: button.text
            color: Theme.barText
            opacity: button.enabled ? 1 : 0.45
            font.pixelSize: Theme.fontSize
        }
    }

    BarButton {
        objectName: "navBack"
        anchors { left: parent.left; leftMargin: 4; verticalCenter: parent.verticalCenter }
        visible: bar.model.backVisible && !bar.model.left
        enabled: bar.model.backEnabled
        text: "‹ 返回"
        Accessible.name: "返回"
        onClicked: client.back()
    }
    BarButton {
        objectName: "navLeft"
        anchors { left: parent.left; leftMargin: 4; verticalCenter: parent.verticalCenter }
        visible: !!bar.model.left
        enabled: bar.model.left ? bar.model.left.enabled : false
        text: bar.model.left ? bar.model.left.title : ""
        onClicked: client.pressLeft()
    }
    Text {
        objectName: "navTitle"
        anchors.centerIn: parent
        width: parent.width - 200
        horizontalAlignment: Text.AlignHCenter
        elide: Text.ElideRight
        text: bar.model.title || ""
        color: Theme.barText
        font.pixelSize: 18
        font.bold: true
        Accessible.role: Accessible.Heading
        Accessible.name: text
    }
    BarButton {
        objectName: "navRight"
        anchors { right: parent.right; rightMargin: 4; verticalCenter: parent.verticalCenter }
        visible: !!bar.model.right
        enabled: bar.model.right ? bar.model.right.enabled : false
        text: bar.model.right ? bar.model.right.title : ""
        onClicked: client.pressRight()
    }
}
