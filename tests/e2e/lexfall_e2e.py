#!/usr/bin/env python3
"""End-to-end tests of the Lexfall desktop program.

`cli` checks the command line without a display. `gui` starts its own Xvfb
screen, runs the program from the build tree, types with xdotool and reads
the screen's pixels back: glyphs appear at the insertion point, stay while
the animation is off, fall after Esc and vanish after Enter; wireframe and
shaded drawing differ; the title is right and Exit ends the program with
status 0. Every step is logged as it starts; a failed run names its step,
prints the program's own output of every start and Xvfb's, and keeps its
screenshots in the artifacts folder.

Only the standard library is used; xdotool and ImageMagick's `import` are
run as programs. Every wait has a hard timeout.
"""
import argparse
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SCREEN_W, SCREEN_H = 1280, 1024
DARK = 96            # mean of r, g, b below this counts as ink
INSERT_Y = 300       # the insertion point's initial client y


class TestFailure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise TestFailure(message)


class Image:
    """A screenshot as raw RGB bytes."""

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    @staticmethod
    def from_ppm(data):
        # P6, width, height, maxval, one white-space byte, then the pixels;
        # comments may come between the header fields.
        fields, pos = [], 0
        while len(fields) < 4:
            while data[pos:pos + 1].isspace():
                pos += 1
            if data[pos:pos + 1] == b'#':
                pos = data.index(b'\n', pos) + 1
                continue
            start = pos
            while not data[pos:pos + 1].isspace():
                pos += 1
            fields.append(data[start:pos])
        check(fields[0] == b'P6' and fields[3] == b'255', 'unexpected screenshot format')
        width, height = int(fields[1]), int(fields[2])
        pixels = data[pos + 1:pos + 1 + width * height * 3]
        check(len(pixels) == width * height * 3, 'truncated screenshot')
        return Image(width, height, pixels)

    def is_dark(self, x, y):
        i = (y * self.width + x) * 3
        rgb = self.rgb
        return rgb[i] + rgb[i + 1] + rgb[i + 2] < 3 * DARK

    def clip(self, rect):
        x0, y0, x1, y1 = rect
        return max(0, x0), max(0, y0), min(self.width, x1), min(self.height, y1)

    def dark_points(self, rect):
        x0, y0, x1, y1 = self.clip(rect)
        return [(x, y) for y in range(y0, y1) for x in range(x0, x1) if self.is_dark(x, y)]

    def dark_count(self, rect):
        return len(self.dark_points(rect))

    def region(self, rect):
        x0, y0, x1, y1 = self.clip(rect)
        rows = []
        for y in range(y0, y1):
            start = (y * self.width + x0) * 3
            rows.append(self.rgb[start:start + (x1 - x0) * 3])
        return b''.join(rows)


class Session:
    """One Xvfb screen with the program on it."""

    def __init__(self, exe, artifacts):
        self.exe = exe
        self.artifacts = artifacts
        self.work = tempfile.mkdtemp(prefix='lexfall-e2e-')
        self.shots = []
        self.xvfb = None
        self.xvfb_log = os.path.join(self.work, 'xvfb.log')
        self.app = None
        self.starts = 0
        self.app_log = None  # the latest start's standard error
        self.logs = []       # (what, path) of every output kept
        self.env = None
        self.began = time.monotonic()
        self.current_step = 'setting up'

    def step(self, what):
        """Names what the run does next; a failure reports the last name."""
        self.current_step = what
        print('[%6.1f s] %s' % (time.monotonic() - self.began, what), flush=True)

    # -- processes -------------------------------------------------------

    def start_display(self):
        self.step('starting Xvfb')
        read_fd, write_fd = os.pipe()
        # -noreset: by default the server resets whenever its last client
        # leaves, and drops a client that connects during the reset; a
        # program started right after another (or after an xdotool call)
        # then ends at once with status 1.
        with open(self.xvfb_log, 'wb') as log:
            self.xvfb = subprocess.Popen(
                ['Xvfb', '-displayfd', str(write_fd), '-screen', '0', '%dx%dx24' % (SCREEN_W, SCREEN_H),
                 '-nolisten', 'tcp', '-noreset'],
                pass_fds=(write_fd,), stdout=log, stderr=subprocess.STDOUT)
        self.logs.append(('Xvfb', self.xvfb_log))
        os.close(write_fd)
        number = b''
        deadline = time.monotonic() + 20
        while not number.endswith(b'\n'):
            left = deadline - time.monotonic()
            check(left > 0, 'Xvfb did not report a display number')
            ready, _, _ = select.select([read_fd], [], [], left)
            if ready:
                chunk = os.read(read_fd, 16)
                check(chunk, 'Xvfb ended before reporting a display number')
                number += chunk
        os.close(read_fd)
        home = os.path.join(self.work, 'home')
        os.makedirs(home)
        self.env = dict(os.environ)
        self.env.update({
            'DISPLAY': ':' + number.decode().strip(),
            'HOME': home,
            'XDG_CONFIG_HOME': os.path.join(home, '.config'),
            'XDG_DATA_HOME': os.path.join(home, '.local', 'share'),
            'XDG_CACHE_HOME': os.path.join(home, '.cache'),
            'NO_AT_BRIDGE': '1',
            'GSETTINGS_BACKEND': 'memory',
            'LANG': 'C.UTF-8',
        })
        self.env.pop('WAYLAND_DISPLAY', None)

    def start_app(self, *args):
        self.starts += 1
        self.step('starting the program (start %d): lexfall %s' % (self.starts, ' '.join(args)))
        base = os.path.join(self.work, 'lexfall-%d' % self.starts)
        self.app_log = base + '.stderr'
        self.logs += [('start %d, standard output' % self.starts, base + '.stdout'),
                      ('start %d, standard error' % self.starts, self.app_log)]
        with open(base + '.stdout', 'wb') as out, open(self.app_log, 'wb') as err:
            self.app = subprocess.Popen([self.exe, *args], cwd=self.work, env=self.env, stdout=out, stderr=err)

    def run(self, *cmd, timeout=10):
        result = subprocess.run(cmd, env=self.env, capture_output=True, timeout=timeout)
        return result.returncode, result.stdout.decode(errors='replace').strip()

    def xdotool(self, *args, timeout=10):
        code, out = self.run('xdotool', *args, timeout=timeout)
        check(code == 0, 'xdotool %s failed' % ' '.join(args))
        return out

    def key(self, *keys):
        self.xdotool('key', '--delay', '80', *keys)

    def type(self, text):
        self.xdotool('type', '--delay', '150', text)

    def menu(self, menu_key, item_key):
        """Chooses a menu item by keyboard: Alt+menu_key, then item_key."""
        self.key('alt+' + menu_key)
        time.sleep(0.5)
        self.key(item_key)
        time.sleep(0.8)

    def exit_by_menu(self, timeout=8):
        """File > Exit, the last item of the first menu; returns the status."""
        self.step('File > Exit')
        self.key('F10')
        time.sleep(0.5)
        self.key('Up')
        time.sleep(0.3)
        self.key('Return')
        return self.wait_exit(timeout)

    def close(self):
        for proc in (self.app, self.xvfb):
            if proc and proc.poll() is None:
                proc.kill()
                try:
                    proc.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    pass

    # -- screen ----------------------------------------------------------

    def shot(self, name):
        code = None
        try:
            result = subprocess.run(['import', '-window', 'root', '-depth', '8', 'ppm:-'], env=self.env,
                                    capture_output=True, timeout=15)
            code = result.returncode
        except subprocess.TimeoutExpired:
            pass
        check(code == 0, 'screenshot "%s" failed' % name)
        path = os.path.join(self.work, '%02d-%s.ppm' % (len(self.shots), name))
        with open(path, 'wb') as out:
            out.write(result.stdout)
        self.shots.append(path)
        return Image.from_ppm(result.stdout)

    def keep_artifacts(self):
        os.makedirs(self.artifacts, exist_ok=True)
        for path in self.shots:
            target = os.path.join(self.artifacts, os.path.basename(path)[:-4] + '.png')
            try:
                subprocess.run(['convert', path, target], timeout=30, check=True)
            except (OSError, subprocess.SubprocessError):
                shutil.copy(path, self.artifacts)
        for _, path in self.logs:
            if os.path.exists(path):
                shutil.copy(path, self.artifacts)
        print('screenshots and the program\'s output are in', self.artifacts)

    def print_outputs(self):
        """The program's output of every start, and Xvfb's, into the log."""
        for what, path in self.logs:
            try:
                with open(path, 'rb') as log:
                    text = log.read().decode(errors='replace').rstrip()
            except OSError:
                continue
            print('--- %s%s' % (what, ':' if text else ': (nothing)'))
            if text:
                print(text[-20000:])

    # -- the program -----------------------------------------------------

    def wait_for_window(self, title, timeout=30):
        self.step('waiting for the window "%s"' % title)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            check(self.app.poll() is None, 'the program ended during start-up (status %s)' % self.app.poll())
            # Only once it is mapped can the window take the focus.
            code, out = self.run('xdotool', 'search', '--onlyvisible', '--name', '^%s$' % title)
            if code == 0 and out:
                return out.split()[0]
            time.sleep(0.25)
        raise TestFailure('no window titled "%s" appeared' % title)

    def wait_exit(self, timeout):
        try:
            return self.app.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise TestFailure('the program did not end within %d s' % timeout)

    def stderr_text(self):
        with open(self.app_log, 'rb') as log:
            return log.read().decode(errors='replace')


def find_canvas_top(img):
    """Screen y of the client area's top edge, from the cursor drawn at
    (0, INSERT_Y): its right arm is a dark run from x = 5 to 25."""
    for y in range(INSERT_Y, INSERT_Y + 250):
        if all(img.is_dark(x, y) for x in range(7, 24)) and not any(img.is_dark(x, y) for x in range(30, 60)):
            return y - INSERT_Y
    raise TestFailure('the insertion-point cursor was not found near client y = %d' % INSERT_Y)


def glyph_band(top):
    """Where glyphs typed at the initial insertion point are drawn: above
    the baseline at client y = INSERT_Y, from the left edge."""
    return (0, top + INSERT_Y - 70, 400, top + INSERT_Y + 12)


def dark_excluding_cursor(img, rect, cursor):
    cx, cy = cursor
    return [p for p in img.dark_points(rect) if not (abs(p[0] - cx) <= 26 and abs(p[1] - cy) <= 16)]


def recent_files(path):
    """The recent-file entries of the settings file, in order."""
    entries, in_group = {}, False
    with open(path, encoding='utf-8') as settings:
        for line in settings:
            line = line.strip()
            if line.startswith('['):
                in_group = line == '[Recent\\ File\\ List]'
            elif in_group and '=' in line:
                key, value = line.split('=', 1)
                entries[key] = value
    return entries


def gui_test(session):
    session.start_display()
    # Six remembered files, of which the program keeps four.
    settings = os.path.join(session.env['XDG_CONFIG_HOME'], 'Lexfall.conf')
    remembered = [os.path.join(session.work, 'old%d.lxf' % i) for i in range(1, 7)]
    os.makedirs(os.path.dirname(settings), exist_ok=True)
    with open(settings, 'w', encoding='utf-8') as out:
        out.write('[Recent\\ File\\ List]\n')
        out.writelines('file%d=%s\n' % (i, path) for i, path in enumerate(remembered, 1))
    session.start_app()
    window = session.wait_for_window('Untitled - Lexfall')
    check(session.xdotool('getwindowname', window) == 'Untitled - Lexfall', 'wrong window title')

    session.xdotool('mousemove', str(SCREEN_W // 2), str(SCREEN_H - 200))
    session.xdotool('windowfocus', '--sync', window)
    time.sleep(1.0)

    empty = session.shot('empty')
    top = find_canvas_top(empty)
    check(10 <= top <= 200, 'client area starts at an unlikely y = %d' % top)
    band = glyph_band(top)
    before = empty.dark_count(band)

    session.step('typing HW')
    session.type('HW')
    time.sleep(0.8)
    typed = session.shot('typed')
    ink = typed.dark_points(band)
    check(len(ink) > before + 300, 'no glyphs appeared at the insertion point (%d dark pixels, %d before)'
          % (len(ink), before))
    lowest = max(y for x, y in ink if x < 60)
    check(abs(lowest - (top + INSERT_Y)) <= 4, 'the first glyph does not stand on client y = %d (lowest ink at %d)'
          % (INSERT_Y, lowest - top))

    session.step('shortcuts of disabled commands')
    session.key('ctrl+z', 'ctrl+c')
    time.sleep(0.5)
    after_shortcuts = session.shot('after-shortcuts')
    check(after_shortcuts.region(band) == typed.region(band), 'Ctrl+Z or Ctrl+C changed the scene')

    # With the animation off, nothing moves.
    time.sleep(1.0)
    still = session.shot('still')
    check(still.region(band) == typed.region(band), 'the glyphs moved while Animate was off')

    session.step('Esc: the glyphs fall')
    session.key('Escape')
    below = (0, top + INSERT_Y + 20, 600, SCREEN_H - 60)
    fallen = None
    deadline = time.monotonic() + 12
    while time.monotonic() < deadline:
        time.sleep(0.5)
        frame = session.shot('falling')
        if frame.dark_count(below) > 200 and frame.dark_count(band) < len(ink) // 2:
            fallen = frame
            break
    check(fallen is not None, 'the glyphs did not fall after Esc')

    session.step('Enter clears the scene')
    session.key('Return')
    time.sleep(0.8)
    cleared = session.shot('cleared')
    canvas = (0, top + 10, SCREEN_W, SCREEN_H - 60)
    left_over = dark_excluding_cursor(cleared, canvas, (0, top + INSERT_Y))
    check(len(left_over) < 20, 'glyphs remained after Enter (%d dark pixels)' % len(left_over))
    find_canvas_top(cleared)

    session.step('Esc stops the animation; typing MW')
    session.key('Escape')
    time.sleep(0.3)
    session.type('MW')
    time.sleep(0.8)
    shaded = session.shot('shaded').dark_count(band)
    check(shaded > before + 300, 'no glyphs appeared after Enter')

    session.step('Display > Wireframe, then Shaded')
    session.menu('d', 'w')
    wire = session.shot('wireframe').dark_count(band)
    check(wire < shaded * 0.85, 'Wireframe did not change the drawing (%d dark pixels, %d shaded)' % (wire, shaded))

    session.menu('d', 's')
    shaded_again = session.shot('shaded-again')
    back = shaded_again.dark_count(band)
    check(abs(back - shaded) <= shaded * 0.05, 'Shaded did not restore the filled drawing (%d, was %d)'
          % (back, shaded))

    # Display > Smooth Edges greys the edges; chosen again, the picture is
    # as it was, pixel for pixel.
    session.menu('d', 'm')
    smooth = session.shot('smooth-edges')
    x0, y0, x1, y1 = smooth.clip(band)
    greys = sum(1 for y in range(y0, y1) for x in range(x0, x1)
                if 48 < smooth.rgb[(y * smooth.width + x) * 3] < 208)
    check(greys > 100, 'Smooth Edges drew no grey at the edges (%d grey pixels)' % greys)
    session.menu('d', 'm')
    check(session.shot('sharp-again').region(band) == shaded_again.region(band),
          'turning Smooth Edges off did not bring back the same picture')

    # View > Toolbar hides the toolbar: the client area moves up, and
    # comes back down when it is shown again.
    glyph_column = (0, top + INSERT_Y - 150, 60, top + INSERT_Y + 100)

    def baseline(img):
        ink_rows = [y for x, y in img.dark_points(glyph_column)]
        check(ink_rows, 'the first glyph is gone')
        return max(ink_rows)

    session.step('View > Toolbar, twice')
    shown = baseline(session.shot('toolbar'))
    session.menu('v', 't')
    raised = baseline(session.shot('no-toolbar'))
    check(raised < shown - 10, 'hiding the toolbar did not move the client area up (baseline at %d, was %d)'
          % (raised, shown))
    session.menu('v', 't')
    check(baseline(session.shot('toolbar-again')) == shown, 'the toolbar did not come back')

    check(session.xdotool('getwindowname', window) == 'Untitled - Lexfall', 'the title changed')

    status = session.exit_by_menu()
    check(status == 0, 'the program ended with status %d' % status)
    errors = [line for line in session.stderr_text().splitlines() if 'assert' in line.lower()]
    check(not errors, 'assertions failed:\n' + '\n'.join(errors))

    kept = {'file%d' % i: path for i, path in enumerate(remembered[:4], 1)}
    check(recent_files(settings) == kept, 'the recent-file list is not the first four files: %r'
          % recent_files(settings))

    # A document that cannot be opened ends start-up with failure.
    missing = os.path.join(session.work, 'no-such-file.lxf')
    session.start_app(missing)
    status = session.wait_exit(20)
    check(status != 0, 'start-up with a missing document did not fail')
    check('could not be opened' in session.stderr_text(), 'no message for the missing document')

    # A file that is not a scene is refused by name, and left as it is.
    document = os.path.join(session.work, 'notes.lxf')
    with open(document, 'wb') as out:
        out.write(b'kept as it is\n')
    session.start_app(document)
    status = session.wait_exit(20)
    check(status != 0, 'start-up with a file that is not a scene did not fail')
    check('not a Lexfall scene' in session.stderr_text(), 'no message for the file that is not a scene')
    with open(document, 'rb') as data:
        check(data.read() == b'kept as it is\n', 'opening the file changed it')
    check(recent_files(settings) == kept, 'the refused file changed the recent files: %r' % recent_files(settings))

    # A settings file that cannot be written (here it is a folder) is
    # reported once, and the program still ends cleanly.
    os.remove(settings)
    os.makedirs(settings)
    session.start_app()
    window = session.wait_for_window('Untitled - Lexfall')
    session.xdotool('windowfocus', '--sync', window)
    time.sleep(0.5)
    status = session.exit_by_menu()
    check(status == 0, 'the program ended with status %d when its settings could not be saved' % status)
    reports = [line for line in session.stderr_text().splitlines() if 'settings could not be saved' in line]
    check(len(reports) == 1, 'the unwritable settings file was reported %d times' % len(reports))


def start_on_screen(session, *args):
    """Starts the program with `args` on a fresh screen and gives its
    window the focus; returns the screen y of the client area's top."""
    session.start_display()
    session.start_app(*args)
    window = session.wait_for_window('Untitled - Lexfall')
    session.xdotool('mousemove', str(SCREEN_W // 2), str(SCREEN_H - 200))
    session.xdotool('windowfocus', '--sync', window)
    time.sleep(1.0)
    return find_canvas_top(session.shot('empty'))


def scene_test(session):
    """Ctrl+S saves the scene, Enter clears it, and the recent-file entry
    brings it back: the same letters, pixel for pixel, where they were."""
    top = start_on_screen(session)
    band = glyph_band(top)
    session.step('typing a word, then Ctrl+S')
    session.type('Lexfall')
    time.sleep(0.8)
    typed = session.shot('typed')
    check(typed.dark_count(band) > 300, 'no letters appeared')
    session.key('ctrl+s')
    time.sleep(1.5)
    save_dialog(session, os.path.join(session.work, 'myscene'))
    scene = os.path.join(session.work, 'myscene.lexscene')
    check(os.path.exists(scene), 'Ctrl+S wrote no myscene.lexscene')
    with open(scene, 'rb') as data:
        check(data.read(26) == b'{"format":"lexfall-scene",', 'the file saved is not a scene')
    window = session.wait_for_window('myscene.lexscene - Lexfall', timeout=10)

    session.step('Enter clears the scene')
    session.key('Return')
    time.sleep(0.8)
    left_over = dark_excluding_cursor(session.shot('cleared'), band, (0, top + INSERT_Y))
    check(len(left_over) < 20, 'Enter did not clear the scene (%d dark pixels)' % len(left_over))

    session.step('opening the scene from the recent files')
    # The only recent file stands just above Exit, the last item.
    session.key('F10')
    time.sleep(0.5)
    session.key('Up', 'Up')
    time.sleep(0.3)
    session.key('Return')
    time.sleep(1.5)
    session.xdotool('windowfocus', '--sync', window)
    time.sleep(0.8)
    opened = session.shot('opened')
    check(opened.region(band) == typed.region(band), 'the scene opened is not the scene saved')
    check(session.xdotool('getwindowname', window) == 'myscene.lexscene - Lexfall', 'the title does not name the scene')
    check(session.exit_by_menu() == 0, 'the program did not end cleanly')
    recent = recent_files(os.path.join(session.env['XDG_CONFIG_HOME'], 'Lexfall.conf'))
    check(recent.get('file1') == scene, 'the scene is not the recent file: %r' % recent)


def repaint_test(session):
    """Under CPU load, with many letters animating, the window keeps
    repainting: successive screenshots differ and the program reports
    frames painted every second."""
    top = start_on_screen(session, '--frame-stats')

    # Lines of letters down the window, still while Animate is off.
    for row in range(6):
        session.xdotool('mousemove', '--sync', '2', str(top + 80 + 60 * row), 'click', '1')
        session.xdotool('type', '--delay', '30', 'Letters fall and tumble')
    session.key('Escape')

    hogs = [subprocess.Popen([sys.executable, '-c', 'while True: pass']) for _ in range(2 * (os.cpu_count() or 1))]
    try:
        time.sleep(1.0)
        canvas = (0, top + 10, SCREEN_W, SCREEN_H - 60)
        previous = session.shot('loaded-0').region(canvas)
        for i in range(1, 5):
            time.sleep(0.6)
            current = session.shot('loaded-%d' % i).region(canvas)
            check(current != previous, 'the picture froze under load (screenshots %d and %d are equal)' % (i - 1, i))
            previous = current
    finally:
        for hog in hogs:
            hog.kill()
            hog.wait()

    rates = [float(line.split()[1]) for line in session.stderr_text().splitlines()
             if line.startswith('lexfall:') and 'frames painted/s' in line]
    check(len(rates) >= 3, 'no frame statistics were reported: %r' % session.stderr_text())
    check(min(rates[-3:]) >= 5, 'too few frames painted under load: %r' % rates)
    check(session.exit_by_menu() == 0, 'the program did not end cleanly')


def ink_box(img, rect):
    points = img.dark_points(rect)
    check(points, 'no ink in %r' % (rect,))
    xs = [x for x, y in points]
    ys = [y for x, y in points]
    return min(xs), min(ys), max(xs) + 1, max(ys) + 1, len(points)


def wait_while_moving(session, name, rect):
    """A busy machine ticks slower: waits on, up to 20 s, while the ink in
    `rect` still moves."""
    last = ink_box(session.shot(name), rect)[:4]
    for _ in range(20):
        time.sleep(1.0)
        now = ink_box(session.shot(name), rect)[:4]
        if now == last:
            return
        last = now


def sturdy_test(session):
    """With --physics=sturdy a word dropped without spin lands and still
    reads as itself: after it lands it is as wide as it was and, laid over
    its former self, most of its ink falls on ink. (Letters settle a little
    as they land, so only the upper part of the word is compared.)"""
    top = start_on_screen(session, '--physics=sturdy')

    session.menu('m', 'm')  # Mode > Manipulate: letters get no spin
    session.xdotool('mousemove', '--sync', '300', str(top + 150), 'click', '1')
    session.type('HOME')
    session.xdotool('mousemove', '--sync', '1150', str(top + 150), 'click', '1')  # the cursor out of the way
    time.sleep(0.8)
    column = (200, top + 60, 700, SCREEN_H - 30)
    before = session.shot('before')
    x0, y0, x1, y1, ink = ink_box(before, column)
    check(x1 - x0 > 100 and ink > 1000, 'the word was not drawn (%d pixels)' % ink)

    session.key('Escape')
    # The fall from here to the floor takes about six seconds.
    time.sleep(8.5)
    wait_while_moving(session, 'falling', column)
    landed = session.shot('landed')
    lx0, ly0, lx1, ly1, _ = ink_box(landed, column)
    check(ly0 > y0 + 400, 'the word did not fall (its top at %d, was %d)' % (ly0, y0))
    check(abs((lx1 - lx0) - (x1 - x0)) <= 0.1 * (x1 - x0), 'the landed word is %d wide, it was %d'
          % (lx1 - lx0, x1 - x0))
    upper = int(0.6 * (y1 - y0))
    was = set((x - x0, y - y0) for x, y in before.dark_points((x0, y0, x1, y0 + upper)))
    now = set((x - lx0, y - ly0) for x, y in landed.dark_points((lx0, ly0, lx1, ly0 + upper)))
    overlap = len(was & now) / len(was | now)
    check(overlap > 0.5, 'the landed word no longer looks like the word (overlap %.2f)' % overlap)
    check(session.exit_by_menu() == 0, 'the program did not end cleanly')


def collide_test(session):
    """With Display > Letters Collide on, a word dropped onto another
    rests on it: both stay visible, one above the other."""
    top = start_on_screen(session, '--physics=sturdy')
    session.menu('d', 'l')  # Display > Letters Collide
    session.menu('m', 'm')  # Mode > Manipulate: letters get no spin
    column = (200, top + 60, 800, SCREEN_H - 30)

    def drop(name):
        session.xdotool('mousemove', '--sync', '300', str(top + 150), 'click', '1')
        session.type('HOME')
        session.xdotool('mousemove', '--sync', '1150', str(top + 150), 'click', '1')  # the cursor out of the way
        time.sleep(0.8)
        typed = ink_box(session.shot(name), column)
        session.key('Escape')  # falls
        time.sleep(9.0)
        wait_while_moving(session, name + '-falling', column)
        session.key('Escape')  # and stands still again
        time.sleep(0.5)
        return typed

    x0, y0, x1, y1, ink = drop('first')
    height = y1 - y0
    check(x1 - x0 > 100 and ink > 1000, 'the word was not drawn (%d pixels)' % ink)
    lx0, ly0, lx1, ly1, landed = ink_box(session.shot('first-landed'), column)
    check(ly1 > SCREEN_H - 200 and ly1 - ly0 < 1.3 * height, 'the first word did not land (ink from %d to %d)'
          % (ly0, ly1))
    drop('second')
    both = session.shot('both')
    bx0, by0, bx1, by1, ink = ink_box(both, column)
    check(ink > 1.7 * landed, 'one word hides the other (%d dark pixels, one word %d)' % (ink, landed))
    check(by1 - by0 > 1.8 * height, 'the words are not one above the other (their ink is %d high, a word %d)'
          % (by1 - by0, height))
    upper = both.dark_count((bx0, by0, bx1, by0 + height))
    lower = both.dark_count((bx0, by1 - height, bx1, by1))
    check(upper > 0.6 * landed and lower > 0.6 * landed, 'a word is missing (%d dark pixels above, %d below)'
          % (upper, lower))
    check(session.exit_by_menu() == 0, 'the program did not end cleanly')


def file_menu(session, downs):
    """Chooses the File menu's item `downs` steps down from its top (the
    mnemonic F is the Font menu's too, so the menu is opened with F10)."""
    session.key('F10')
    time.sleep(0.5)
    session.key(*(['Down'] * downs))
    session.key('Return')
    time.sleep(1.5)


def save_dialog(session, path):
    """Answers the save dialog open now with `path`."""
    session.key('ctrl+a')
    session.xdotool('type', '--delay', '20', path)
    session.key('Return')
    time.sleep(1.5)


def video_of(session, path):
    """The codec, size and frame count of a video as ffprobe reads it, and
    its last frame, decoded by ffmpeg."""
    code, out = session.run('ffprobe', '-v', 'error', '-select_streams', 'v:0', '-count_frames', '-show_entries',
                            'stream=codec_name,width,height,nb_read_frames', '-of', 'csv=p=0', path, timeout=60)
    check(code == 0, 'ffprobe could not read %s: %s' % (path, out))
    codec, width, height, frames = out.strip().split(',')
    last = None
    try:
        result = subprocess.run(['ffmpeg', '-v', 'error', '-sseof', '-0.5', '-i', path, '-f', 'image2pipe',
                                 '-vcodec', 'ppm', '-'], capture_output=True, timeout=60)
        # The frames of the last half second, one after another, each as
        # long as its header and pixels.
        size = len(b'P6\n%d %d\n255\n' % (int(width), int(height))) + int(width) * int(height) * 3
        if result.returncode == 0 and len(result.stdout) >= size:
            last = Image.from_ppm(result.stdout[-size:])
    except subprocess.TimeoutExpired:
        pass
    check(last is not None, 'ffmpeg could not decode the last frame of %s' % path)
    return codec, int(width), int(height), int(frames), last


def frames_of(session, path):
    """The frames' sizes of an animated picture, each decoded by ImageMagick."""
    code, out = session.run('identify', '-format', '%w %h\\n', path, timeout=60)
    check(code == 0, 'ImageMagick could not read %s: %s' % (path, out))
    return [tuple(int(v) for v in line.split()) for line in out.splitlines()]


# Steps down the File menu; disabled items are passed over, and Record
# Animation is disabled while a recording runs.
EXPORT_PICTURE, RECORD_ANIMATION, STOP_RECORDING = 5, 6, 6


def pictures_test(session):
    """File > Export Picture writes the window's pixels; Record Animation
    and Stop Recording write a GIF whose frames decode, and an MP4 that
    plays and ends on the word typed; quitting while recording finishes
    the file."""
    top = start_on_screen(session)
    session.step('typing a word, still')
    session.type('Lexfall')
    time.sleep(0.8)

    session.step('File > Export Picture')
    picture = os.path.join(session.work, 'picture.png')
    file_menu(session, EXPORT_PICTURE)
    save_dialog(session, picture)
    check(os.path.exists(picture), 'no picture was written')
    screen = session.shot('exported')
    code = None
    try:
        result = subprocess.run(['convert', picture, '-depth', '8', 'ppm:-'], capture_output=True, timeout=30)
        code = result.returncode
    except subprocess.TimeoutExpired:
        pass
    check(code == 0, 'the exported picture could not be read')
    exported = Image.from_ppm(result.stdout)
    check(exported.width == SCREEN_W and SCREEN_H - 200 < exported.height < SCREEN_H - top,
          'the picture is %dx%d, not the window\'s' % (exported.width, exported.height))
    check(exported.dark_count((0, 0, exported.width, exported.height)) > 300, 'the picture shows no letters')
    check(exported.region((0, 0, exported.width, exported.height))
          == screen.region((0, top, SCREEN_W, top + exported.height)),
          'the picture differs from the window')

    session.step('File > Record Animation, typing, Esc, File > Stop Recording')
    animation = os.path.join(session.work, 'animation.gif')
    file_menu(session, RECORD_ANIMATION)
    save_dialog(session, animation)
    session.type(' falls')
    session.key('Escape')
    time.sleep(2.0)
    file_menu(session, STOP_RECORDING)
    # Frames come at 30 a second of the window's ticks, which a loaded
    # machine runs late: their number says little of the seconds passed.
    frames = frames_of(session, animation)
    check(len(frames) >= 10, 'the recording holds only %d frames' % len(frames))
    check(frames[0] == (exported.width, exported.height), 'the recording is %dx%d, not the window\'s %dx%d'
          % (frames[0] + (exported.width, exported.height)))

    session.step('File > Record Animation to an MP4, typing, File > Stop Recording')
    video = os.path.join(session.work, 'video.mp4')
    file_menu(session, RECORD_ANIMATION)
    save_dialog(session, video)
    # A fresh scene, paused: the word stays where it is typed.
    session.key('Return', 'Escape')
    session.type('Video')
    time.sleep(2.0)
    file_menu(session, STOP_RECORDING)
    codec, width, height, count, last = video_of(session, video)
    check(codec == 'h264', 'the video is %s, not H.264' % codec)
    check((width, height) == (exported.width + exported.width % 2, exported.height + exported.height % 2),
          'the video is %dx%d for a window of %dx%d' % (width, height, exported.width, exported.height))
    check(count >= 10, 'the video holds only %d frames' % count)
    check(last.dark_count((0, 0, last.width, last.height)) > 300, 'the video\'s last frame shows no letters')
    session.key('Escape')  # the letters move again, so WebP's frames below differ

    session.step('quitting while recording')
    quit_recording = os.path.join(session.work, 'quit.webp')
    file_menu(session, RECORD_ANIMATION)
    save_dialog(session, quit_recording)
    time.sleep(1.0)
    check(session.exit_by_menu() == 0, 'the program did not end cleanly while recording')
    check(len(frames_of(session, quit_recording)) >= 2, 'quitting did not finish the recording')


BROWSER_PAGE = """<!DOCTYPE html>
<html><body>
<video id="mp4" src="scene.mp4" muted preload="auto"></video>
<video id="webm" src="scene.webm" muted preload="auto"></video>
<pre id="result">waiting</pre>
<script>
// Each video's length, size and the ink of its last frame as drawn.
function probe(id) {
  return new Promise(resolve => {
    const video = document.getElementById(id);
    video.addEventListener('error', () => resolve({error: video.error ? video.error.code : 'unknown'}));
    video.addEventListener('loadedmetadata', () => { video.currentTime = video.duration - 0.05; });
    // The frame sought may reach the canvas a little after the seek.
    const draw = tries => {
      const canvas = document.createElement('canvas');
      canvas.width = video.videoWidth;
      canvas.height = video.videoHeight;
      const context = canvas.getContext('2d');
      context.drawImage(video, 0, 0);
      const pixels = context.getImageData(0, 0, canvas.width, canvas.height).data;
      let ink = 0;
      for (let i = 0; i < pixels.length; i += 4)
        if (pixels[i] + pixels[i + 1] + pixels[i + 2] < %d) ++ink;
      if (ink == 0 && tries > 0)
        setTimeout(() => draw(tries - 1), 100);
      else
        resolve({duration: video.duration, width: video.videoWidth, height: video.videoHeight, ink: ink});
    };
    video.addEventListener('seeked', () => draw(20), {once: true});
  });
}
Promise.all([probe('mp4'), probe('webm')]).then(([mp4, webm]) => {
  document.getElementById('result').textContent = JSON.stringify({mp4: mp4, webm: webm});
});
</script>
</body></html>
""" % (3 * DARK)


def browser_test(record_exe, browser):
    """An MP4 and a WebM from lexfall-record play in a real browser: each
    has its length and size, and its last frame, drawn, shows the word."""
    import json
    work = tempfile.mkdtemp(prefix='lexfall-browser-')
    try:
        script = os.path.join(work, 'scene.lexfall')
        with open(script, 'w') as out:
            out.write('click 20 120\ntype Browser\nkey Esc\nwait 1.5\n')
        for name in ('scene.mp4', 'scene.webm'):
            result = subprocess.run([record_exe, '--size', '321x241', '--fps', '15', script, os.path.join(work, name)],
                                    capture_output=True, timeout=120)
            check(result.returncode == 0, 'lexfall-record %s failed: %s' % (name, result.stderr.decode(errors='replace')))
        page = os.path.join(work, 'page.html')
        with open(page, 'w') as out:
            out.write(BROWSER_PAGE)
        # The page is dumped when its virtual time runs out, which on a
        # busy machine may come before the videos have loaded: a few tries.
        for _ in range(3):
            result = subprocess.run([browser, '--headless=new', '--no-sandbox', '--disable-gpu', '--user-data-dir=' + work,
                                     '--allow-file-access-from-files', '--virtual-time-budget=30000', '--dump-dom',
                                     'file://' + page], capture_output=True, timeout=120)
            dom = result.stdout.decode(errors='replace')
            start = dom.find('<pre id="result">')
            check(start >= 0, 'the browser gave no page: %s' % result.stderr.decode(errors='replace')[-2000:])
            text = dom[start + len('<pre id="result">'):dom.index('</pre>', start)]
            if text.startswith('{'):
                break
        check(text.startswith('{'), 'the browser did not finish loading the videos: %r' % text)
        report = json.loads(text)
        print('browser:', text)
        for name in ('mp4', 'webm'):
            video = report[name]
            check('error' not in video, 'the browser could not play the %s: error %s' % (name, video.get('error')))
            check((video['width'], video['height']) == (322, 242), 'the %s plays at %dx%d' % (name, video['width'], video['height']))
            check(1.5 < video['duration'] < 3.0, 'the %s lasts %.2f s' % (name, video['duration']))
            check(video['ink'] > 300, 'the %s\'s last frame shows no word' % name)
        check(abs(report['mp4']['duration'] - report['webm']['duration']) < 0.1, 'the MP4 and the WebM differ in length')
    finally:
        shutil.rmtree(work, ignore_errors=True)


def cli_test(exe):
    env = dict(os.environ)
    env.pop('DISPLAY', None)

    def run(*args):
        result = subprocess.run([exe, *args], env=env, capture_output=True, timeout=20)
        return result.returncode, result.stdout.decode(errors='replace'), result.stderr.decode(errors='replace')

    code, out, _ = run('--help')
    check(code == 0 and 'Usage:' in out and '--version' in out, '--help did not print the usage')
    code, out, _ = run('--version')
    check(code == 0 and out.strip() == 'Lexfall Version 0.001', '--version printed %r' % out)
    code, out, _ = run('--help')
    check('--frame-stats' in out, '--help does not mention --frame-stats')
    code, _, err = run('--physics=wobbly')
    check(code == 2 and 'wobbly' in err, 'an unknown physics preset was not refused')
    code, _, err = run('--face', 'No Such Family')
    check(code == 2 and '"No Such Family"' in err, 'an unknown face family was not refused by name')
    code, _, err = run('--face=/no/such/face.otf')
    check(code == 2 and '/no/such/face.otf' in err, 'a missing face file was not refused')
    code, _, err = run('--frobnicate')
    check(code == 2 and '--frobnicate' in err, 'an unknown option was not refused')
    code, _, err = run('one.lxf', 'two.lxf')
    check(code == 2 and 'two.lxf' in err, 'two documents were not refused')


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('mode', choices=['cli', 'gui', 'repaint', 'sturdy', 'collide', 'pictures', 'scene', 'browser'])
    parser.add_argument('--exe', required=True)
    parser.add_argument('--artifacts', default=os.path.join(os.getcwd(), 'e2e-artifacts'))
    parser.add_argument('--deadline', type=int, default=150, help='seconds the gui run may take')
    args = parser.parse_args()

    if args.mode == 'browser':
        # Debian's Chromium; without it there is nothing to test.
        browser = shutil.which('chromium')
        if not browser:
            print('skipped: no chromium installed')
            return 77
        try:
            browser_test(args.exe, browser)
        except TestFailure as failure:
            print('FAILED:', failure)
            return 1
        print('passed')
        return 0

    if args.mode == 'cli':
        try:
            cli_test(args.exe)
        except TestFailure as failure:
            print('FAILED:', failure)
            return 1
        print('passed')
        return 0

    # A whole-run deadline below CTest's, so a run that stalls somewhere
    # unforeseen still ends here, with its screenshots kept.
    def out_of_time(signum, frame):
        raise TestFailure('the run took longer than %d s' % args.deadline)

    signal.signal(signal.SIGALRM, out_of_time)
    session = Session(os.path.abspath(args.exe), args.artifacts)
    failure = None
    try:
        signal.alarm(args.deadline)
        {'gui': gui_test, 'repaint': repaint_test, 'sturdy': sturdy_test, 'collide': collide_test,
         'pictures': pictures_test, 'scene': scene_test}[args.mode](session)
    except Exception as error:  # any failure keeps the screenshots
        failure = error
    finally:
        signal.alarm(0)
        session.close()
    if failure is not None:
        print('FAILED at step "%s" after %.1f s:' % (session.current_step, time.monotonic() - session.began),
              failure if isinstance(failure, TestFailure) else repr(failure))
        session.print_outputs()
        session.keep_artifacts()
        return 1
    shutil.rmtree(session.work, ignore_errors=True)
    print('passed')
    return 0


if __name__ == '__main__':
    sys.exit(main())
