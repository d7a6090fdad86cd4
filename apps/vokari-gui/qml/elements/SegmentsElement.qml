import QtQuick
import Vokari

// A run of check boxes drawn as one segmented bar: the tabs of the list below them.
Item {
    id: segments
    property var value: ({})
    property int element: -1
    property int serial: -1
    readonly property var items: value.items || []
    implicitHeight: 48

    Rectangle {
        x: Theme.margin
        y: 4
        width: parent.width - 2 * Theme.margin
        height: 38
        radius: 9
        color: "#e3e6ee"
        Row {
            anchors.fill: parent
            anchors.margins: 3
            Repeater {
                model: segments.items
                delegate: Rectangle {
                    id: segment
                    required property var modelData
                    objectName: "segment:" + modelData.title
                    visible: !modelData.hidden
                    width: (parent.width) / segments.items.length
                    height: parent.height
                    radius: 7
                    color: modelData.checked ? Theme.card : "transparent"
                    border.color: modelData.checked ? Theme.separator : "transparent"
                    Text {
                        anchors.centerIn: parent
                        width: parent.width - 6
                        horizontalAlignment: Text.AlignHCenter
                        elide: Text.ElideRight
                        text: segment.modelData.title
                        color: segment.modelData.checked ? Theme.accent : Theme.secondary
                        font.pixelSize: 14
                        font.bold: !!segment.modelData.checked
                    }
                    MouseArea {
                        anchors.fill: parent
                        onClicked: client.press(segments.serial, segment.modelData.element)
                    }
                }
            }
        }
    }
}
