// Tidymatic's windows in the browser. The program sends its whole visible state after every
// change over server-sent events; this page draws it as the handheld's screen and posts what
// a person does (taps, double taps, tap and hold, keys, menu choices) back as input.
'use strict';

(() => {
  const token = document.querySelector('meta[name="tidymatic-token"]').content;
  const screenEl = document.getElementById('screen');
  const statusEl = document.getElementById('status');
  const deviceEl = document.getElementById('device');

  const HOLD_MS = 550;        // a press this long is a tap and hold
  const DOUBLE_TAP_MS = 450;  // a second tap on the same row this soon is a double tap
  const TYPE_DELAY_MS = 250;  // typing is sent after this pause

  let state = null;           // the last state drawn
  let source = null;
  let retryTimer = 0;
  let watchdog = 0;
  let everConnected = false;

  // What the page keeps between two states.
  const view = {
    menu: null,        // an open soft-key menu: {window, key, path: [open pop-up per level]}
    popupPath: [],     // open pop-ups of the tap-and-hold menu
    dropdown: null,    // an open combo box list: {window, control}
    scroll: new Map(), // scroll position per control handle
    applied: new Map(),// the program's scroll position last applied, per control handle
    typing: new Map(), // edit handle -> {text, timer}: typed, not yet confirmed
    lastTap: null,     // {window, control, row, time}
  };

  // ---------------------------------------------------------------- helpers

  function el(tag, cls, text) {
    const e = document.createElement(tag);
    if (cls) e.className = cls;
    if (text !== undefined && text !== null) e.textContent = text;
    return e;
  }
  function px(n) { return n + 'px'; }
  function place(e, rect) {
    e.style.left = px(rect[0]);
    e.style.top = px(rect[1]);
    e.style.width = px(rect[2]);
    e.style.height = px(rect[3]);
  }
  function model() { return state && state.model; }
  function topWindow() {
    const m = model();
    return m && m.windows && m.windows.length ? m.windows[m.windows.length - 1] : null;
  }
  // Page pixels to device pixels (the device may be zoomed).
  function scaleOf(e) {
    const r = e.getBoundingClientRect();
    return e.offsetWidth ? r.width / e.offsetWidth : 1;
  }
  function pointIn(e, ev) {
    const r = e.getBoundingClientRect();
    const f = scaleOf(e);
    return {
      x: Math.max(0, Math.min(e.offsetWidth - 1, Math.round((ev.clientX - r.left) / f))),
      y: Math.max(0, Math.min(e.offsetHeight - 1, Math.round((ev.clientY - r.top) / f))),
    };
  }
  function setStatus(text, bad) {
    statusEl.textContent = text;
    statusEl.classList.toggle('bad', !!bad);
  }
  let toastTimer = 0;
  function toast(text) {
    let t = screenEl.querySelector('.toast');
    if (!t) {
      t = el('div', 'toast');
      screenEl.appendChild(t);
    }
    const m = model();
    t.style.bottom = px(((m && m.screen && m.screen.menu) || 26) + 4);
    t.textContent = text;
    t.classList.remove('gone');
    clearTimeout(toastTimer);
    toastTimer = setTimeout(() => t.classList.add('gone'), 3500);
  }

  // ---------------------------------------------------------------- input

  // Inputs go out one after another, in the order the person made them (typed text before
  // the tap on "Add" that follows it).
  let sendChain = Promise.resolve();
  function send(body) {
    const next = sendChain.then(() => post(body));
    sendChain = next.catch(() => false);
    return next;
  }
  async function post(body) {
    try {
      const r = await fetch('input?token=' + encodeURIComponent(token), {
        method: 'POST',
        headers: { 'Content-Type': 'application/json' },
        body: JSON.stringify(body),
      });
      if (!r.ok && r.status !== 409) {  // 409: a window opened above meanwhile
        let reason = '';
        try { reason = (await r.json()).error || ''; } catch (e) { /* not JSON */ }
        toast(reason ? 'Not done: ' + reason : 'Not done (' + r.status + ')');
      }
      return r.ok;
    } catch (e) {
      toast('Tidymatic cannot be reached.');
      return false;
    }
  }
  function act(win, action, extra) {
    return send(Object.assign({ window: win.handle, action }, extra || {}));
  }

  // ---------------------------------------------------------------- connection

  function connect() {
    clearTimeout(retryTimer);
    if (source) source.close();
    source = new EventSource('events?token=' + encodeURIComponent(token));
    source.addEventListener('state', (ev) => {
      kick();
      let s;
      try { s = JSON.parse(ev.data); } catch (e) { return; }
      everConnected = true;
      setStatus('Connected to Tidymatic');
      // Versions only grow; an older state that arrives late is not drawn.
      if (state && s.version <= state.version && !s.closed) return;
      const same = state && !s.closed && !state.closed &&
                   JSON.stringify(state.model) === JSON.stringify(s.model);
      state = s;
      if (same) showBusy();  // only the wait cursor came or went
      else scheduleRender();
    });
    source.addEventListener('ping', kick);
    source.onopen = kick;
    source.onerror = () => {
      if (state && state.closed) return;
      setStatus(everConnected ? 'Connection lost; reconnecting\u2026' : 'Connecting\u2026', true);
      // The browser retries by itself unless the server refused the stream outright.
      if (source.readyState === EventSource.CLOSED) retryTimer = setTimeout(connect, 1500);
    };
  }
  // The server writes at least every ten seconds; a silent stream is a dead one.
  function kick() {
    clearTimeout(watchdog);
    watchdog = setTimeout(() => {
      if (state && state.closed) return;
      setStatus('Connection lost; reconnecting\u2026', true);
      connect();
    }, 25000);
  }

  // ---------------------------------------------------------------- drawing

  // The screen is drawn afresh for each state. While a finger (or the mouse button) is down
  // the drawing waits, so that a tap lands on the element it began on.
  let pressing = false;
  let pendingRender = false;
  function scheduleRender() {
    if (pressing) pendingRender = true;
    else render();
  }
  function endPress() {
    pressing = false;
    if (pendingRender) {
      pendingRender = false;
      render();
    }
  }
  let pressTimer = 0;
  screenEl.addEventListener('pointerdown', () => {
    pressing = true;
    // A release the page never hears of (outside the window) must not stop the drawing.
    clearTimeout(pressTimer);
    pressTimer = setTimeout(endPress, 1500);
  }, true);
  const release = () => { if (pressing) setTimeout(endPress, 0); };  // after the click
  window.addEventListener('pointerup', release, true);
  window.addEventListener('pointercancel', release, true);

  function showBusy() {
    const top = topWindow();
    const on = !!(state && state.busy && top && top.kind === 'dialog');
    const b = screenEl.querySelector('.busy');
    if (b) b.classList.toggle('on', on);
  }

  function render() {
    pendingRender = false;
    const s = state;
    rememberScroll();
    const focusMemo = rememberFocus();
    screenEl.textContent = '';
    if (s.closed) {
      if (source) source.close();
      clearTimeout(watchdog);
      view.menu = view.dropdown = null;
      const end = el('div', 'ended');
      end.appendChild(el('strong', null, 'Tidymatic has ended.'));
      end.appendChild(el('span', null, 'You can close this page.'));
      screenEl.appendChild(end);
      setStatus('Tidymatic has ended.');
      return;
    }
    const m = s.model || {};
    const scr = m.screen || { width: 240, height: 320, caption: 26, menu: 26, scale: 1 };
    screenEl.style.width = px(scr.width);
    screenEl.style.height = px(scr.height);
    screenEl.style.setProperty('--s', scr.scale || 1);

    const windows = m.windows || [];
    let di = -1;
    for (let i = windows.length - 1; i >= 0; i--) {
      if (windows[i].kind === 'dialog') { di = i; break; }
    }
    const dialog = di >= 0 ? windows[di] : null;
    const top = windows.length ? windows[windows.length - 1] : null;
    if (!view.menu || !dialog || view.menu.window !== dialog.handle || top !== dialog) view.menu = null;
    if (view.dropdown && (!dialog || view.dropdown.window !== dialog.handle || top !== dialog)) view.dropdown = null;
    if (!top || top.kind !== 'popup') view.popupPath = [];

    screenEl.appendChild(navBar(scr, dialog));
    if (dialog) {
      screenEl.appendChild(dialogArea(scr, dialog));
    } else {
      const boot = el('div', 'boot', windows.length ? '' : 'Starting\u2026');
      screenEl.appendChild(boot);
    }
    screenEl.appendChild(menuBar(scr, dialog));

    if (dialog && view.menu) openSoftKeyMenu(scr, dialog);
    if (dialog && view.dropdown) openDropdown(scr, dialog);
    for (let i = di + 1; i < windows.length; i++) {
      const w = windows[i];
      if (w.kind === 'messagebox') screenEl.appendChild(messageBox(w, i === windows.length - 1));
      else if (w.kind === 'popup') popupMenu(scr, w, i === windows.length - 1);
    }

    // A message box or menu waiting for an answer is never covered by the wait cursor: the
    // program may keep the cursor up behind the box, but the person must be able to answer.
    const busy = el('div', 'busy');
    busy.appendChild(el('div', 'wheel'));
    screenEl.appendChild(busy);
    showBusy();

    restoreScroll();
    restoreFocus(focusMemo);
    document.title = dialog && dialog.caption ? dialog.caption + ' \u2013 Tidymatic' : 'Tidymatic';
  }

  function navBar(scr, dialog) {
    const bar = el('div', 'navbar');
    bar.style.height = px(scr.caption);
    bar.appendChild(el('span', 'flag'));
    bar.appendChild(el('span', 'title', dialog ? dialog.caption : 'Tidymatic'));
    const tray = el('span', 'tray');
    tray.appendChild(el('span', 'signal'));
    tray.appendChild(el('span', 'clock', clockText()));
    bar.appendChild(tray);
    if (dialog && dialog.ok) {
      const ok = el('button', 'ok', 'ok');
      ok.type = 'button';
      ok.title = 'OK';
      ok.addEventListener('click', () => act(dialog, 'titleok'));
      bar.appendChild(ok);
    }
    return bar;
  }
  function clockText() {
    const d = new Date();
    return d.getHours() + ':' + String(d.getMinutes()).padStart(2, '0');
  }

  function menuBar(scr, dialog) {
    const bar = el('div', 'menubar');
    bar.style.height = px(scr.menu);
    const keys = dialog ? dialog.softkeys || [] : [];
    const make = (index, side) => {
      const k = keys[index];
      const b = el('button', 'softkey ' + side);
      b.type = 'button';
      if (!k) {
        b.classList.add('empty');
        b.disabled = true;
        return b;
      }
      b.textContent = k.text.replace(/&(.)/g, '$1');
      b.dataset.index = index;
      b.disabled = !k.enabled;
      if (view.menu && view.menu.key === index) b.classList.add('open');
      b.addEventListener('click', (ev) => {
        ev.stopPropagation();
        tapSoftKey(index);
      });
      return b;
    };
    bar.appendChild(make(0, 'left'));
    bar.appendChild(el('span', 'sip'));
    bar.appendChild(make(1, 'right'));
    return bar;
  }

  function tapSoftKey(index) {
    const top = topWindow();
    if (!top) return;
    if (top.kind === 'popup') { act(top, 'dismiss'); return; }
    if (top.kind !== 'dialog') return;
    const k = (top.softkeys || [])[index];
    if (!k || !k.enabled) return;
    view.dropdown = null;
    if (k.menu) {
      const open = view.menu && view.menu.key === index;
      view.menu = open ? null : { window: top.handle, key: index, path: [] };
      render();
      return;
    }
    view.menu = null;
    act(top, 'softkey', { index });
  }

  function dialogArea(scr, d) {
    const area = el('div', 'dialog');
    const r = d.rect || [0, scr.caption, scr.width, scr.height - scr.caption - scr.menu];
    place(area, r);
    area.dataset.handle = d.handle;
    for (const c of d.controls || []) {
      const e = control(d, c);
      if (e) area.appendChild(e);
    }
    return area;
  }

  function control(d, c) {
    let e;
    switch (c.kind) {
      case 'listview': e = listView(d, c); break;
      case 'treeview': e = treeView(d, c); break;
      case 'combobox': e = comboBox(d, c); break;
      case 'edit': e = editBox(d, c); break;
      case 'button': e = pushButton(d, c); break;
      case 'checkbox': e = checkBox(d, c); break;
      case 'label': e = el('div', 'label', c.text); break;
      case 'picture': e = el('div', 'picture'); break;
      default: return null;
    }
    e.classList.add('ctl');
    if (!c.visible) e.classList.add('hidden');
    if (!c.enabled) e.classList.add('disabled');
    e.dataset.id = c.id;
    e.dataset.kind = c.kind;
    place(e, c.rect);
    // A combo box's rectangle includes its dropped-down list; closed, it is one line high.
    if (c.kind === 'combobox') e.style.height = px(comboHeight(c));
    return e;
  }
  function comboHeight(c) {
    return Math.min(c.rect[3], 22 * ((model().screen || {}).scale || 1));
  }

  // ---- List view: header, rows with check boxes, taps, double taps, tap and hold.
  function listView(d, c) {
    const list = el('div', 'list');
    if (c.focused || d.focus === null || d.focus === undefined) list.classList.add('focus');
    const widths = (c.columns || []).map((col) => col.width);
    if (c.columns && c.columns.length) {
      const head = el('div', 'head');
      head.style.height = px(c.headerHeight);
      c.columns.forEach((col) => {
        const h = el('div', null, col.text);
        h.style.width = px(col.width);
        head.appendChild(h);
      });
      list.appendChild(head);
    }
    const body = el('div', 'body');
    body.dataset.scroll = c.handle;
    body.dataset.top = c.top;
    body.dataset.rowHeight = c.rowHeight;
    (c.rows || []).forEach((row, i) => {
      const r = el('div', 'row');
      r.dataset.row = i;
      r.style.height = px(c.rowHeight);
      if (row.selected) r.classList.add('sel');
      if (!c.fullRow) r.classList.add('part');
      const n = Math.max(widths.length, row.cells.length, 1);
      for (let k = 0; k < n; k++) {
        const cell = el('div', 'cell');
        if (widths[k] !== undefined) cell.style.width = px(widths[k]);
        if (k === 0 && row.checked !== null && row.checked !== undefined) {
          const box = el('span', 'box' + (row.checked ? ' on' : ''));
          box.setAttribute('role', 'checkbox');
          box.setAttribute('aria-checked', row.checked ? 'true' : 'false');
          cell.appendChild(box);
        }
        cell.appendChild(el('span', 'txt', row.cells[k] || ''));
        r.appendChild(cell);
      }
      body.appendChild(r);
    });
    list.appendChild(body);

    let press = null;
    let held = false;
    const hold = (ev) => {
      held = true;
      endPress();  // the pop-up shows while the finger is still down
      const p = pointIn(list, ev);
      ring(ev);
      act(d, 'hold', { control: c.id, x: p.x, y: p.y });
    };
    list.addEventListener('pointerdown', (ev) => {
      if (ev.button !== 0) return;
      held = false;
      const copy = { clientX: ev.clientX, clientY: ev.clientY };
      press = { x: ev.clientX, y: ev.clientY, timer: setTimeout(() => { press = null; hold(copy); }, HOLD_MS) };
    });
    const cancel = () => { if (press) { clearTimeout(press.timer); press = null; } };
    list.addEventListener('pointermove', (ev) => {
      if (press && Math.hypot(ev.clientX - press.x, ev.clientY - press.y) > 8) cancel();
    });
    list.addEventListener('pointerup', cancel);
    list.addEventListener('pointercancel', cancel);
    list.addEventListener('pointerleave', cancel);
    list.addEventListener('contextmenu', (ev) => {
      ev.preventDefault();
      cancel();
      hold(ev);
    });
    list.addEventListener('click', (ev) => {
      if (held) { held = false; return; }
      const r = ev.target.closest('.row');
      if (!r) return;
      const row = Number(r.dataset.row);
      if (ev.target.classList.contains('box')) {
        act(d, 'check', { control: c.id, row, checked: !c.rows[row].checked });
        view.lastTap = null;
        return;
      }
      const now = Date.now();
      const t = view.lastTap;
      if (t && t.window === d.handle && t.control === c.id && t.row === row && now - t.time < DOUBLE_TAP_MS) {
        view.lastTap = null;
        act(d, 'dbltap', { control: c.id, row });
      } else {
        view.lastTap = { window: d.handle, control: c.id, row, time: now };
        act(d, 'select', { control: c.id, row });
      }
    });
    return list;
  }

  function ring(ev) {
    const r = screenEl.getBoundingClientRect();
    const f = scaleOf(screenEl);
    const dot = el('div', 'hold-ring');
    dot.style.left = px((ev.clientX - r.left) / f);
    dot.style.top = px((ev.clientY - r.top) / f);
    screenEl.appendChild(dot);
    setTimeout(() => dot.remove(), 700);
  }

  // ---- Tree view.
  function treeView(d, c) {
    const tree = el('div', 'tree');
    if (c.focused) tree.classList.add('focus');
    tree.dataset.scroll = c.handle;
    tree.dataset.first = c.first;
    const indent = 14 * (model().screen.scale || 1);
    for (const n of c.nodes || []) {
      const node = el('div', 'node' + (n.item === c.selected ? ' sel' : ''));
      node.dataset.item = n.item;
      node.style.paddingLeft = px(n.depth * indent);
      const exp = el('span', 'exp' + (n.children ? (n.expanded ? '' : ' closed') : ' none'));
      if (!c.buttons) exp.classList.add('none');
      node.appendChild(exp);
      node.appendChild(el('span', 'folder' + (n.depth === 0 ? ' root' : '')));
      node.appendChild(el('span', 'label', n.text));
      node.addEventListener('click', (ev) => {
        if (ev.target === exp) {
          if (n.children) act(d, 'tree-toggle', { control: c.id, item: n.item });
          return;
        }
        const now = Date.now();
        const t = view.lastTap;
        if (t && t.control === c.id && t.row === n.item && now - t.time < DOUBLE_TAP_MS) {
          view.lastTap = null;
          if (n.children) act(d, 'tree-toggle', { control: c.id, item: n.item });
        } else {
          view.lastTap = { window: d.handle, control: c.id, row: n.item, time: now };
          act(d, 'tree-select', { control: c.id, item: n.item });
        }
      });
      tree.appendChild(node);
    }
    return tree;
  }

  // ---- Combo box: a drop-down list drawn by the page; the pick goes to the program.
  function comboBox(d, c) {
    const box = el('div', 'combo' + (c.focused ? ' focus' : ''));
    const val = el('span', 'val', c.sel >= 0 && c.items ? c.items[c.sel] : '');
    box.appendChild(val);
    box.appendChild(el('span', 'arrow'));
    box.addEventListener('click', (ev) => {
      ev.stopPropagation();
      const open = view.dropdown && view.dropdown.control === c.id;
      view.menu = null;
      view.dropdown = open ? null : { window: d.handle, control: c.id };
      render();
    });
    return box;
  }

  function openDropdown(scr, d) {
    const c = (d.controls || []).find((k) => k.id === view.dropdown.control);
    if (!c || !c.visible || !c.enabled) { view.dropdown = null; return; }
    const list = el('div', 'dropdown');
    const rowH = 17 * (scr.scale || 1);
    const items = c.items || [];
    const dr = d.rect;
    const left = dr[0] + c.rect[0];
    const below = dr[1] + c.rect[1] + comboHeight(c);
    const room = scr.height - scr.menu - below;
    const want = Math.min(items.length, 8) * rowH + 2;
    list.style.left = px(left);
    list.style.width = px(c.rect[2]);
    if (want <= room || room >= dr[1] + c.rect[1] - scr.caption) {
      list.style.top = px(below);
      list.style.maxHeight = px(Math.max(rowH + 2, Math.min(want, room)));
    } else {
      const space = dr[1] + c.rect[1] - scr.caption;
      const h = Math.min(want, space);
      list.style.top = px(dr[1] + c.rect[1] - h);
      list.style.maxHeight = px(h);
    }
    items.forEach((text, i) => {
      const it = el('div', i === c.sel ? 'cur' : '', text || '\u00a0');
      it.dataset.index = i;
      it.addEventListener('click', (ev) => {
        ev.stopPropagation();
        view.dropdown = null;
        render();
        act(d, 'pick', { control: c.id, index: i });
      });
      list.appendChild(it);
    });
    screenEl.appendChild(list);
    const cur = list.children[c.sel];
    if (cur) cur.scrollIntoView({ block: 'nearest' });
  }

  // ---- Edit box: what a person types is sent after a short pause, and before Enter.
  function editBox(d, c) {
    const input = el('input', 'edit');
    input.type = 'text';
    input.spellcheck = false;
    input.autocomplete = 'off';
    input.readOnly = !!c.readonly;
    input.dataset.handle = c.handle;
    const pending = view.typing.get(c.handle);
    input.value = pending ? pending.text : c.text;
    input.addEventListener('input', () => {
      const p = view.typing.get(c.handle) || {};
      clearTimeout(p.timer);
      const text = input.value;
      view.typing.set(c.handle, { text, timer: setTimeout(() => flushEdit(d, c, text), TYPE_DELAY_MS) });
    });
    input.addEventListener('blur', () => flushPending(c.handle));
    input.addEventListener('keydown', (ev) => {
      if (ev.key === 'Enter' || ev.key === 'Escape') {
        ev.preventDefault();
        ev.stopPropagation();
        flushPending(c.handle).then(() => act(d, 'key', { key: ev.key === 'Enter' ? 'enter' : 'escape' }));
      }
    });
    view.flushers = view.flushers || new Map();
    view.flushers.set(c.handle, () => flushEdit(d, c, (view.typing.get(c.handle) || {}).text));
    return input;
  }
  async function flushEdit(d, c, text) {
    const p = view.typing.get(c.handle);
    if (!p || text === undefined) return;
    clearTimeout(p.timer);
    await act(d, 'type', { control: c.id, text });
    const now = view.typing.get(c.handle);
    if (now && now.text === text) view.typing.delete(c.handle);
  }
  function flushPending(handle) {
    const f = view.flushers && view.flushers.get(handle);
    return f && view.typing.has(handle) ? f() : Promise.resolve();
  }

  function pushButton(d, c) {
    const b = el('button', 'button' + (c.default ? ' default' : '') + (c.focused ? ' focus' : ''),
                 c.text.replace(/&(.)/g, '$1'));
    b.type = 'button';
    b.addEventListener('click', () => act(d, 'click', { control: c.id }));
    return b;
  }

  function checkBox(d, c) {
    const box = el('div', 'check' + (c.focused ? ' focus' : ''));
    const b = el('span', 'box' + (c.checked ? ' on' : ''));
    b.setAttribute('role', 'checkbox');
    b.setAttribute('aria-checked', c.checked ? 'true' : 'false');
    box.appendChild(b);
    box.appendChild(el('span', 'txt', c.text.replace(/&(.)/g, '$1')));
    box.addEventListener('click', () => act(d, 'click', { control: c.id }));
    return box;
  }

  // ---- Menus.
  // Draws entries into a menu element; choose(id) is called for a command.
  function menuElement(items, path, level, choose, reopen) {
    const menu = el('div', 'menu');
    menu.dataset.level = level;
    if (!items.length) {
      menu.classList.add('empty');
      menu.textContent = '(empty)';
    }
    items.forEach((m, i) => {
      if (m.separator) { menu.appendChild(el('div', 'sep')); return; }
      const it = el('div', 'item', m.text.replace(/&(.)/g, '$1'));
      it.dataset.id = m.id;
      if (m.grayed) it.classList.add('grayed');
      if (m.checked) it.classList.add('checked');
      // A tap opens a pop-up at once; a pointer resting on an entry opens (or closes) one too.
      let dwell = 0;
      const rest = (fn) => {
        it.addEventListener('mouseenter', () => { dwell = setTimeout(fn, 300); });
        it.addEventListener('mouseleave', () => clearTimeout(dwell));
      };
      if (m.popup) {
        it.classList.add('popup');
        if (path[level] === i) it.classList.add('open');
        const open = () => {
          clearTimeout(dwell);
          if (path[level] === i) return;
          path.length = level;
          path[level] = i;
          reopen();
        };
        rest(open);
        it.addEventListener('click', (ev) => { ev.stopPropagation(); open(); });
      } else {
        rest(() => { if (path.length > level) { path.length = level; reopen(); } });
        it.addEventListener('click', (ev) => {
          ev.stopPropagation();
          if (!m.grayed) choose(m.id);
        });
      }
      menu.appendChild(it);
    });
    return menu;
  }

  // Lays out a menu and its open pop-ups. first(menu) places the first level.
  function cascade(scr, items, path, choose, reopen, first) {
    const menus = [];
    let level = 0;
    let list = items;
    let anchor = null;
    for (;;) {
      const menu = menuElement(list, path, level, choose, reopen);
      screenEl.appendChild(menu);
      if (level === 0) {
        first(menu);
      } else {
        // Beside the entry that opened it when there is room, else above or below the entry,
        // never over it (a tap on the entry must not land on the pop-up).
        const parent = menus[level - 1];
        const aTop = parent.offsetTop + anchor.offsetTop;
        const aBottom = aTop + anchor.offsetHeight;
        const right = parent.offsetLeft + parent.offsetWidth - 3;
        const left = parent.offsetLeft - menu.offsetWidth + 3;
        const floor = scr.height - scr.menu;
        const w = menu.offsetWidth;
        const h = menu.offsetHeight;
        if (right + w <= scr.width || left >= 0) {
          menu.style.left = px(right + w <= scr.width ? right : left);
          let top = aTop - 3;
          if (top + h > floor) top = Math.max(scr.caption, floor - h);
          menu.style.top = px(top);
        } else {
          menu.style.left = px(Math.max(0, Math.min(parent.offsetLeft, scr.width - w)));
          // A menu may cover the navigation bar, never the menu bar.
          const above = aTop;
          const below = floor - aBottom;
          if (h <= above || (h > below && above >= below)) {
            menu.style.top = px(Math.max(0, aTop - h));
            if (h > above) { menu.style.maxHeight = px(above); menu.style.overflowY = 'auto'; }
          } else {
            menu.style.top = px(aBottom);
            if (h > below) { menu.style.maxHeight = px(below); menu.style.overflowY = 'auto'; }
          }
        }
      }
      menus.push(menu);
      const i = path[level];
      if (i === undefined || !list[i] || !list[i].popup) break;
      anchor = menu.children[i];
      list = list[i].items || [];
      level++;
    }
    return menus;
  }

  function openSoftKeyMenu(scr, d) {
    const k = (d.softkeys || [])[view.menu.key];
    if (!k || !k.menu || !k.enabled) { view.menu = null; return; }
    const choose = (id) => {
      view.menu = null;
      render();
      act(d, 'menu', { command: id });
    };
    cascade(scr, k.items || [], view.menu.path, choose, render, (menu) => {
      menu.classList.add('softkey-menu');
      menu.style.bottom = px(scr.menu);
      if (view.menu.key === 0) menu.style.left = '0px';
      else menu.style.right = '0px';
      const maxH = scr.height - scr.menu - scr.caption;
      if (menu.offsetHeight > maxH) { menu.style.maxHeight = px(maxH); menu.style.overflowY = 'auto'; }
      // Fixed left and top let the pop-ups find their place.
      menu.style.left = px(menu.offsetLeft);
      menu.style.top = px(menu.offsetTop);
      menu.style.right = menu.style.bottom = '';
    });
  }

  function popupMenu(scr, w, active) {
    const catcher = el('div', 'dim');
    catcher.style.background = 'transparent';
    // A new press outside the menu closes it (the release of the press that opened it does not).
    catcher.addEventListener('pointerdown', () => act(w, 'dismiss'));
    catcher.addEventListener('contextmenu', (ev) => { ev.preventDefault(); act(w, 'dismiss'); });
    screenEl.appendChild(catcher);
    const choose = (id) => { if (active) act(w, 'choose', { command: id }); };
    const menus = cascade(scr, w.items || [], view.popupPath, choose, render, (menu) => {
      menu.classList.add('popup-menu');
      let x = w.x;
      let y = w.y;
      if (x + menu.offsetWidth > scr.width) x = Math.max(0, scr.width - menu.offsetWidth);
      const floor = scr.height - scr.menu;
      if (y + menu.offsetHeight > floor) y = Math.max(scr.caption, y - menu.offsetHeight);
      menu.style.left = px(x);
      menu.style.top = px(y);
    });
    for (const m of menus) m.style.zIndex = 52;
  }

  // ---- Message box.
  function messageBox(w, active) {
    const wrap = document.createDocumentFragment();
    wrap.appendChild(el('div', 'dim'));
    const box = el('div', 'msgbox');
    box.setAttribute('role', 'alertdialog');
    box.dataset.handle = w.handle;
    box.appendChild(el('div', 'cap', w.caption));
    const content = el('div', 'content');
    if (w.icon) content.appendChild(el('span', 'icon ' + w.icon));
    content.appendChild(el('div', 'text', (w.text || '').replace(/\r\n/g, '\n')));
    box.appendChild(content);
    const buttons = el('div', 'buttons');
    for (const b of w.buttons || []) {
      const btn = el('button', 'button', b.text);
      btn.type = 'button';
      btn.dataset.id = b.id;
      btn.disabled = !active;
      btn.addEventListener('click', () => act(w, 'answer', { button: b.id }));
      buttons.appendChild(btn);
    }
    box.appendChild(buttons);
    wrap.appendChild(box);
    return wrap;
  }

  // ---- What survives a redraw: scroll positions, the focused edit box.
  function rememberScroll() {
    for (const e of screenEl.querySelectorAll('[data-scroll]')) view.scroll.set(e.dataset.scroll, e.scrollTop);
  }
  function restoreScroll() {
    for (const e of screenEl.querySelectorAll('[data-scroll]')) {
      const key = e.dataset.scroll;
      // The program scrolled the list (EnsureVisible) or the tree: follow it once.
      const mark = e.dataset.top !== undefined ? 'top:' + e.dataset.top : 'first:' + e.dataset.first;
      if (view.applied.get(key) !== mark) {
        view.applied.set(key, mark);
        if (e.dataset.top !== undefined) {
          const want = Number(e.dataset.top) * Number(e.dataset.rowHeight);
          const have = view.scroll.has(key) ? view.scroll.get(key) : 0;
          const vis = e.clientHeight;
          // Only when the row the program showed is out of sight.
          if (want < have || want + Number(e.dataset.rowHeight) > have + vis) {
            e.scrollTop = want;
            continue;
          }
        } else if (Number(e.dataset.first)) {
          const node = e.querySelector('[data-item="' + e.dataset.first + '"]');
          if (node) { e.scrollTop = node.offsetTop - e.firstChild.offsetTop; continue; }
        }
      }
      if (view.scroll.has(key)) e.scrollTop = view.scroll.get(key);
    }
  }
  function rememberFocus() {
    const a = document.activeElement;
    if (!a || !screenEl.contains(a) || !a.classList.contains('edit')) return null;
    return { handle: a.dataset.handle, start: a.selectionStart, end: a.selectionEnd };
  }
  function restoreFocus(memo) {
    if (!memo) return;
    const e = screenEl.querySelector('input.edit[data-handle="' + memo.handle + '"]');
    if (!e) return;
    e.focus({ preventScroll: true });
    try { e.setSelectionRange(memo.start, memo.end); } catch (err) { /* not a text field */ }
  }

  // ---------------------------------------------------------------- global input

  // A tap outside an open menu or list closes it.
  screenEl.addEventListener('click', (ev) => {
    if ((view.menu || view.dropdown) && !ev.target.closest('.menu, .dropdown, .softkey, .combo')) {
      view.menu = view.dropdown = null;
      render();
    }
  });

  document.addEventListener('keydown', (ev) => {
    if (ev.altKey || ev.ctrlKey || ev.metaKey) return;
    if (ev.key !== 'Enter' && ev.key !== 'Escape') return;
    if (ev.target.closest && ev.target.closest('.below')) return;
    if (view.menu || view.dropdown) {
      if (ev.key === 'Escape') { view.menu = view.dropdown = null; render(); }
      ev.preventDefault();
      return;
    }
    const top = topWindow();
    if (!top || !state || state.closed) return;
    if (top.kind === 'popup' && ev.key === 'Enter') return;
    ev.preventDefault();
    act(top, 'key', { key: ev.key === 'Enter' ? 'enter' : 'escape' });
  });

  // The handheld's own keys: the soft keys and the action button (Enter).
  document.getElementById('hw-left').addEventListener('click', () => tapSoftKey(0));
  document.getElementById('hw-right').addEventListener('click', () => tapSoftKey(1));
  document.getElementById('hw-action').addEventListener('click', () => {
    const top = topWindow();
    if (top && top.kind !== 'popup') act(top, 'key', { key: 'enter' });
  });

  // Coming back to the page is switching back to the program.
  let hiddenSince = 0;
  document.addEventListener('visibilitychange', () => {
    if (document.hidden) { hiddenSince = Date.now(); return; }
    const top = topWindow();
    if (hiddenSince && top && top.kind === 'dialog') act(top, 'activate');
    hiddenSince = 0;
  });

  // ---------------------------------------------------------------- zoom

  function setZoom(z) {
    deviceEl.style.zoom = z;
    for (const b of document.querySelectorAll('.zoom button')) b.classList.toggle('on', Number(b.dataset.zoom) === z);
    try { localStorage.setItem('tidymatic.zoom', String(z)); } catch (e) { /* private mode */ }
  }
  for (const b of document.querySelectorAll('.zoom button')) {
    b.addEventListener('click', () => setZoom(Number(b.dataset.zoom)));
  }
  let zoom = 0;
  try { zoom = Number(localStorage.getItem('tidymatic.zoom')) || 0; } catch (e) { /* ignore */ }
  if (![1, 1.5, 2].includes(zoom)) zoom = window.innerHeight >= 820 ? 1.5 : 1;
  setZoom(zoom);

  setInterval(() => {
    const c = screenEl.querySelector('.navbar .clock');
    if (c) c.textContent = clockText();
  }, 20000);

  connect();
})();
