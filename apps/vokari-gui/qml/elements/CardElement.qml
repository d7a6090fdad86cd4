import QtQuick
import Vokari

// A card of a long list, drawn from the geometry the core gives (points within the card) and
// scaled to the window's width: the caption above it, then its parts, each a title with its
// picture (the title over the picture's lower edge, or beside it under a thin line). A tap goes
// back as a point in those same points with the card's row, so the core decides what it opens.
// A picture that has not arrived, or could not be had, leaves its place empty.
Item {
    id: card
    property var value: ({})
    property int element: -1
    property int serial: -1
    readonly property real cardWidth: value.width > 0 ? value.width : 320
    readonly property real scale: (width - 2 * Theme.margin) / cardWidth
    objectName: "card:" + (value.row !== undefined ? value.row : -1)
    visible: !value.hidden
    implicitHeight: (value.height || 0) * scale + 8

    function px(r, key) { return r ? r[key] * card.scale : 0 }

    Rectangle {
        x: Theme.margin
        y: 4
        width: card.cardWidth * card.scale
        height: (card.value.height || 0) * card.scale
        radius: Theme.radius
        color: Theme.card
        clip: true

        Text {
            objectName: "caption"
            x: card.px(card.value.captionRect, "x"); y: card.px(card.value.captionRect, "y")
            width: card.px(card.value.captionRect, "width")
            height: card.px(card.value.captionRect, "height")
            text: card.value.caption || ""
            color: Theme.secondary
            font.pixelSize: Theme.smallFontSize
            verticalAlignment: Text.AlignVCenter
        }
        Repeater {
            model: card.value.parts || []
            delegate: Item {
                id: part
                required property var modelData
                Rectangle {  // the thin line above a part that asks for one
                    visible: !!part.modelData.ruled
                    x: 0; y: card.px(part.modelData.titleRect, "y") - 4 * card.scale
                    width: card.cardWidth * card.scale; height: 1
                    color: Theme.separator
                }
                Image {
                    objectName: part.modelData.tag === 0 ? "mainPicture" : "picture" + part.modelData.tag
                    x: card.px(part.modelData.pictureRect, "x"); y: card.px(part.modelData.pictureRect, "y")
                    width: card.px(part.modelData.pictureRect, "width")
                    height: card.px(part.modelData.pictureRect, "height")
                    asynchronous: true
                    fillMode: Image.PreserveAspectCrop
                    clip: true
                    sourceSize.width: Math.ceil(width * 2)
                    source: part.modelData.picture === "" ? "" : "image://vokari/" + part.modelData.picture
                }
                Rectangle {
                    // a title over the picture sits on a dark band to stay legible
                    x: card.px(part.modelData.titleRect, "x"); y: card.px(part.modelData.titleRect, "y")
                    width: card.px(part.modelData.titleRect, "width")
                    height: card.px(part.modelData.titleRect, "height")
                    color: part.modelData.titleOverPicture ? "#99000000" : "transparent"
                    Text {
                        objectName: part.modelData.tag === 0 ? "title" : "story" + part.modelData.tag
                        anchors.fill: parent
                        anchors.leftMargin: part.modelData.titleOverPicture ? 8 : 0
                        anchors.rightMargin: part.modelData.titleOverPicture ? 8 : 0
                        text: part.modelData.title
                        color: part.modelData.titleOverPicture ? "white" : Theme.text
                        font.pixelSize: part.modelData.titleOverPicture ? Theme.fontSize : Theme.smallFontSize + 1
                        wrapMode: part.modelData.titleOverPicture ? Text.NoWrap : Text.Wrap
                        elide: Text.ElideRight
                        verticalAlignment: Text.AlignVCenter
                    }
                }
            }
        }
        // Each story is a control over the area a tap on it acts on; pressed, it taps that area's
        // middle, so the core opens what a finger there would. Where areas overlap, the first
        // part takes the tap, as in the core.
        Repeater {
            model: card.value.parts || []
            delegate: Pressable {
                id: story
                required property var modelData
                required property int index
                readonly property var area: modelData.tapRect
                objectName: "storyControl" + modelData.tag
                visible: !!area && area.width > 0 && area.height > 0
                x: card.px(area, "x"); y: card.px(area, "y")
                width: card.px(area, "width"); height: card.px(area, "height")
                z: (card.value.parts || []).length - index
                focusInset: 2
                text: modelData.title || card.value.caption || ("新闻 " + (index + 1))
                Accessible.role: Accessible.Link
                onClicked: client.tap(card.serial, card.element, card.value.row,
                                      (area.x + area.width / 2), (area.y + area.height / 2))
                background: Rectangle { color: story.down ? "#22000000" : "transparent" }
            }
        }
    }
}
