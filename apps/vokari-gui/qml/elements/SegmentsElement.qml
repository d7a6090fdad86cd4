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
        Accessible.role: Accessible.PageTabList
        Accessible.name: segments.items.map(s => s.title).join(" ")
        Row {
            anchors.fill: parent
            anchors.margins: 3
            Repeater {
                model: segments.items
                delegate: Pressable {
                    id: segment
                    required property var modelData
                    objectName: "segment:" + modelData.title
                    visible: !modelData.hidden
                    width: parent.width / segments.items.length
                    height: parent.height
                    text: modelData.title
                    checked: !!modelData.checked
                    Accessible.role: Accessible.PageTab
                    Accessible.checkable: true
                    Accessible.checked: checked
                    property color color: checked ? Theme.card : "transparent"
                    onClicked: client.press(segments.serial, segment.modelData.element)
                    background: Rectangle {
                        radius: 7
                        color: segment.color
                        border.color: segment.checked ? Theme.separator : "transparent"
                    }
                    contentItem: Text {
                        width: parent.width - 6
                        horizontalAlignment: Text.AlignHCenter
                        verticalAlignment: Text.AlignVCenter
                        elide: Text.ElideRight
                        text: segment.text
                        color: segment.checked ? Theme.accent : Theme.secondary
                        font.pixelSize: 14
                        font.bold: segment.checked
                    }
                }
            }
        }
    }
}
