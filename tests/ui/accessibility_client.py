"""Plays the game through AT-SPI alone; nothing the player cannot see may be read out.
Usage: accessibility_client.py <game program> <game folder>. Exit 77: no bus to use."""
import os
import subprocess
import sys
import time

import pyatspi

GAME, FOLDER = sys.argv[1:3]
WORDS = open(os.path.join(FOLDER, "WOERTER.TXT"), encoding="utf-8", newline="").read().split("\r\n")[:-1]
PROMPT = "           Zum Starten hier klicken . . ."
BUTTONS = ["Beenden", "Dateien", "Benutzer", "Neues Wort", "Spielpause", "Bestenliste", "Hilfetext", "Copyright"]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def wait(probe, what, timeout=5.0):
    end = time.monotonic() + timeout
    while True:
        try:
            result = probe()
        except Exception:  # noqa: BLE001 - a window closing while it is looked at
            result = None
        if result:
            return result
        if time.monotonic() > end:
            raise AssertionError("gave up waiting for " + what)
        time.sleep(0.05)


def walk(obj):
    yield obj
    for child in obj:
        if child is not None:
            yield from walk(child)


def showing(obj):
    return obj.getState().contains(pyatspi.STATE_SHOWING)


def find(root, role, name):
    return next((o for o in walk(root) if o.getRole() == role and o.name == name and showing(o)), None)


def actions(obj):
    action = obj.queryAction()
    return [action.getName(i) for i in range(action.nActions)]


def act(obj, name):
    """Runs the action and returns how long the call took."""
    index = actions(obj).index(name)
    start = time.monotonic()
    obj.queryAction().doAction(index)
    return time.monotonic() - start


def text(obj):
    try:
        return obj.queryText().getText(0, -1)
    except NotImplementedError:
        return None


def captions(root):
    return sorted(o.name for o in walk(root) if o.getRole() == pyatspi.ROLE_LABEL and showing(o))


def box(app, line):
    """The message box showing this line, or None."""
    return next((w for w in app if w is not None and w.getRole() == pyatspi.ROLE_ALERT and showing(w)
                 and any(o.getRole() == pyatspi.ROLE_LABEL and o.name.startswith(line) for o in walk(w))), None)


def answer(app, line, button, closes=True):
    found = wait(lambda: box(app, line), "the box " + repr(line))
    act(wait(lambda: find(found, pyatspi.ROLE_PUSH_BUTTON, button), button), "Press")
    if closes:
        wait(lambda: box(app, line) is None, "the box " + repr(line) + " to close")


def nothing_given_away(app, secrets, when):
    """No name, description or text anywhere in the game, shown or not, holds a secret."""
    for obj in walk(app):
        for said in (obj.name, obj.description, text(obj) or ""):
            for secret in secrets:
                check(secret not in said, f"{when}: {obj.getRoleName()} {obj.name!r} gives away {secret!r}")


def play(app):
    answer(app, "Bitte erst eine Datei laden!", "OK")
    main = wait(lambda: find(app, pyatspi.ROLE_FRAME, "Zaplino"), "the main window")
    for name in BUTTONS:
        button = find(main, pyatspi.ROLE_PUSH_BUTTON, name)
        check(button is not None and "Press" in actions(button), f"picture button {name} can be pressed")

    # The file panel covers the game: only the buttons and the panel are in sight.
    check(captions(main) == [], "no caption under the file panel is read out")
    # Up one folder and back, as double-clicks do.
    folders = find(main, pyatspi.ROLE_LIST, "Ordner")
    files = find(main, pyatspi.ROLE_LIST, "Textlisten")
    act(next(o for o in folders if o.name == os.path.basename(os.path.dirname(FOLDER))), "activate")
    wait(lambda: files.childCount == 0, "the parent folder without word lists")
    act(next(o for o in folders if o.name == os.path.basename(FOLDER)), "activate")
    act(wait(lambda: next((o for o in files if o.name == "WOERTER.TXT"), None), "the word list"), "activate")
    field = wait(lambda: find(main, pyatspi.ROLE_CANVAS, "Spielfeld"), "the playing field")
    wait(lambda: text(field) == PROMPT, "the start prompt on the field")

    # The bottom bar shows the word as next letter and the letters after it.
    shown = captions(main)
    word = next((w for w in WORDS if w[0] in shown and w[1:] in shown), None)
    if word is None:
        raise AssertionError(f"no word of the list in the bottom bar: {shown}")
    check(shown == sorted(["Freund und Gast", "0", " Sek", "schnell", "langsam", "10", "", word[0], word[1:]]),
          f"the captions in sight, not {shown}")
    secrets = WORDS + [os.path.realpath(os.path.join(FOLDER, "WOERTER.TXT"))]
    nothing_given_away(app, secrets, "before the round")

    bar = find(main, pyatspi.ROLE_SCROLL_BAR, "Tempo")
    period = find(main, pyatspi.ROLE_LABEL, "10")
    value = bar.queryValue()
    check((value.minimumValue, value.currentValue, value.maximumValue) == (3, 10, 15), "the bar's range and value")
    value.currentValue = 5
    wait(lambda: period.name == "5", "the period caption to follow the bar")

    act(field, "Press")
    wait(lambda: find(main, pyatspi.ROLE_LABEL, "+"), "the marker of a running round")
    check(text(field) == "", "the field's letters are not read out")
    nothing_given_away(app, secrets, "during the round")

    act(find(main, pyatspi.ROLE_PUSH_BUTTON, "Bestenliste"), "Press")
    scores = wait(lambda: find(main, pyatspi.ROLE_PANEL, "Bestenliste"), "the high-score panel")
    check("B e s t e n l i s t e" in captions(scores), "the high-score panel's title")
    act(find(scores, pyatspi.ROLE_PUSH_BUTTON, ">>  Das Fenster hier mit einem Klick schließen  <<"), "Press")
    wait(lambda: find(main, pyatspi.ROLE_PANEL, "Bestenliste") is None, "the high-score panel to close")

    took = act(find(main, pyatspi.ROLE_PUSH_BUTTON, "Hilfetext"), "Press")
    check(took < 1.0, f"pressing a button that opens a box returns at once, not after {took:.2f} s")
    wait(lambda: box(app, "Du musst die Buchstaben"), "the rules")
    act(find(main, pyatspi.ROLE_PUSH_BUTTON, "Hilfetext"), "Press")
    time.sleep(0.3)
    boxes = [w for w in app if w is not None and w.getRole() == pyatspi.ROLE_ALERT and showing(w)]
    check(len(boxes) == 1, "a press behind an open box does nothing, as a click cannot")
    answer(app, "Du musst die Buchstaben", "OK")

    act(find(main, pyatspi.ROLE_PUSH_BUTTON, "Copyright"), "Press")
    info = wait(lambda: find(app, pyatspi.ROLE_DIALOG, "Programm-Info"), "the info window")
    shown = captions(info)
    check({"Z", "A", "P", " - Z a p l i n o", "www.example.org/zaplino"} <= set(shown)
          and any(c.startswith("Zaplino ist Freeware") for c in shown), f"the info window's captions, not {shown}")
    act(find(info, pyatspi.ROLE_PUSH_BUTTON, "Okay"), "Press")
    wait(lambda: showing(main) and text(field) == PROMPT, "the main window with the next word")

    act(find(main, pyatspi.ROLE_PUSH_BUTTON, "Beenden"), "Press")
    # The game ends, box and all.
    answer(app, "Dieses Spiel jetzt beenden?", "Ja", closes=False)


def main():
    # The registry first: asking for it starts the accessibility bus that the game looks
    # for when it starts.
    try:
        desktop = pyatspi.Registry.getDesktop(0)
        desktop.childCount
    except Exception as error:  # noqa: BLE001 - any failure here means no bus
        print("SKIP: no accessibility bus:", error)
        return 77
    game = subprocess.Popen([GAME], cwd=FOLDER)
    try:
        app = wait(lambda: next((a for a in desktop if a is not None and a.name == "Zaplino"), None),
                   "the game on the accessibility bus", timeout=15)
        play(app)
        check(game.wait(timeout=5) == 0, "the game ends with status 0 when told to quit")
    except Exception as error:  # noqa: BLE001 - a failed call to the game fails the test too
        failures.append(str(error))
        print("FAIL:", error)
    finally:
        if game.poll() is None:
            game.kill()
            game.wait()
    if failures:
        return 1
    print("all checks passed")
    return 0


sys.exit(main())
