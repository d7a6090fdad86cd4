import QtQuick
import Vokari

// A picture (a news card's photo, an attachment's thumbnail) from the image provider; a grey
// placeholder while its bytes have not arrived.
Item {
    id: picture
    property var value: ({})
    property int element: -1
    property int serial: -1
    readonly property real maxWidth: width - 2 * Theme.margin
    readonly property real shownWidth: Math.min(maxWidth, value.width > 0 ? value.width : maxWidth)
    readonly property real shownHeight: value.width > 0 && value.height > 0
        ? shownWidth * value.height / value.width : shownWidth * 0.6
    objectName: "picture:" + (value.source || "")
    visible: !value.hidden
    implicitHeight: shownHeight + 8

    Rectangle {
        x: Theme.margin
        y: 4
        width: picture.shownWidth
        height: picture.shownHeight
        radius: 8
        color: "#dfe3ea"
        clip: true
        Text {
            anchors.centerIn: parent
            visible: image.status !== Image.Ready
            text: (picture.value.picture || "") === "" ? "图片加载中…" : ""
            color: Theme.secondary
            font.pixelSize: Theme.smallFontSize
        }
        Image {
            id: image
            objectName: "image"
            anchors.fill: parent
            asynchronous: true
            fillMode: Image.PreserveAspectCrop
            sourceSize.width: Math.ceil(picture.shownWidth * 2)
            source: (picture.value.picture || "") === "" ? "" : "image://vokari/" + picture.value.picture
        }
        Loader {  // a picture that takes taps is a control of its own
            anchors.fill: parent
            active: !!picture.value.pressable
            sourceComponent: Pressable {
                focusInset: 3
                text: "图片 " + (picture.value.source || "").split("/").pop()
                onClicked: client.press(picture.serial, picture.element)
            }
        }
    }
}
