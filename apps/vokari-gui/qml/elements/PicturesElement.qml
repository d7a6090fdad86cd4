import QtQuick
import Vokari

// Pictures that follow one another (the attachments of a form) drawn side by side, wrapping to
// the next line when the window is narrow; each keeps its own size and presses its own element.
Item {
    id: pictures
    property var value: ({})
    property int element: -1
    property int serial: -1
    readonly property var items: value.items || []
    readonly property real maxWidth: width - 2 * Theme.margin
    visible: items.some(p => !p.hidden)
    implicitHeight: flow.implicitHeight + 8

    Flow {
        id: flow
        x: Theme.margin
        y: 4
        width: pictures.maxWidth
        spacing: 8
        Repeater {
            model: pictures.items
            delegate: Item {
                id: cell
                required property var modelData
                readonly property real shownWidth:
                    Math.min(pictures.maxWidth, modelData.width > 0 ? modelData.width : 80)
                readonly property real shownHeight: modelData.width > 0 && modelData.height > 0
                    ? shownWidth * modelData.height / modelData.width : shownWidth
                objectName: "picture:" + (modelData.source || "")
                visible: !modelData.hidden
                width: visible ? shownWidth : 0
                height: visible ? shownHeight : 0
                Rectangle {
                    anchors.fill: parent
                    radius: 8
                    color: "#dfe3ea"
                    clip: true
                    Image {
                        objectName: "image"
                        anchors.fill: parent
                        asynchronous: true
                        fillMode: Image.PreserveAspectCrop
                        sourceSize.width: Math.ceil(cell.shownWidth * 2)
                        source: (cell.modelData.picture || "") === ""
                            ? "" : "image://vokari/" + cell.modelData.picture
                    }
                    Loader {  // a picture that takes taps is a control of its own
                        anchors.fill: parent
                        active: !!cell.modelData.pressable
                        sourceComponent: Pressable {
                            focusInset: 3
                            text: "图片 " + (cell.modelData.source || "").split("/").pop()
                            onClicked: client.press(pictures.serial, cell.modelData.element)
                        }
                    }
                }
            }
        }
    }
}
