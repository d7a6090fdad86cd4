// Moving the keyboard's focus where the window wants it.
.pragma library

function inside(scope, item) {
    for (let at = item; at; at = at.parent) {
        if (at === scope) return true
    }
    return false
}

// The first item of the scope that takes the focus from Tab (forward), or the last (backward).
function edge(scope, forward) {
    const first = scope.nextItemInFocusChain(true)
    if (!first || !inside(scope, first)) return null
    if (forward) return first
    let last = first
    for (let n = 0; n < 500; ++n) {
        const next = last.nextItemInFocusChain(true)
        if (!next || next === first || !inside(scope, next)) break
        last = next
    }
    return last
}

// Tab and Shift+Tab inside a modal scope (an alert, a sheet, the calling panel): the focus goes
// round within it and never reaches what lies beneath.
function cycle(scope, from, forward) {
    let next = from ? from.nextItemInFocusChain(forward) : null
    if (!next || !inside(scope, next)) next = edge(scope, forward)
    if (next) next.forceActiveFocus(forward ? Qt.TabFocusReason : Qt.BacktabFocusReason)
}

// Where the focus goes back to when a modal scope closes: the item that had it before, while it
// is still shown, else the fallback.
function restore(item, fallback) {
    const target = item && item.visible ? item : fallback
    if (target) target.forceActiveFocus(Qt.OtherFocusReason)
}
