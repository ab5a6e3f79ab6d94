// Browser tests of the web front end: the real program on a fresh sample device image, driven
// through the page in headless Chromium. Prints one line per check; exits non-zero on a failure.
//
//   TIDYMATIC=build-test/tidymatic node tests/web/run.mjs
//
// Screenshots of the main window, of a message box and of the Advanced, MRU Cleaner and Options
// dialogs go to test-artifacts/.

import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import readline from 'node:readline';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');
const exe = path.resolve(root, process.env.TIDYMATIC || 'build-test/tidymatic');
const artifacts = path.join(root, 'test-artifacts');
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tidymatic-web-'));
const image = path.join(work, 'device');

let failures = 0;
const results = [];
function report(ok, name, detail) {
  const line = (ok ? 'ok   ' : 'FAIL ') + name + (detail ? ' - ' + detail : '');
  console.log(line);
  results.push(line);
  if (!ok) failures++;
}
async function check(name, fn) {
  try {
    const detail = await fn();
    report(true, name, detail);
  } catch (e) {
    report(false, name, (e && e.message ? e.message : String(e)).split('\n')[0]);
  }
}
function expect(cond, message) {
  if (!cond) throw new Error(message);
}
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
async function until(what, fn, timeout = 15000) {
  const end = Date.now() + timeout;
  let last;
  while (Date.now() < end) {
    try {
      last = await fn();
      if (last) return last;
    } catch (e) {
      last = e;
    }
    await sleep(50);
  }
  throw new Error('timed out waiting for ' + what + (last instanceof Error ? ': ' + last.message : ''));
}

// ---- The program.
function startProgram() {
  const made = spawnSync(exe, ['--new-device', image], { encoding: 'utf8' });
  if (made.status !== 0) throw new Error('--new-device failed: ' + (made.stderr || made.error));
  const child = spawn(exe, ['--device', image, '--ui', 'web', '--port', '0'], {
    stdio: ['ignore', 'pipe', 'pipe'],
  });
  let stderr = '';
  child.stderr.on('data', (d) => { stderr += d; });
  const exited = new Promise((resolve) => child.on('exit', (code, signal) => resolve({ code, signal })));
  const address = new Promise((resolve, reject) => {
    const lines = readline.createInterface({ input: child.stdout });
    const timer = setTimeout(() => reject(new Error('no address printed within 30 s; stderr: ' + stderr)), 30000);
    lines.on('line', (line) => {
      const m = /^Tidymatic is running at (http:\/\/127\.0\.0\.1:(\d+)\/\?token=([0-9a-f]+))$/.exec(line);
      if (m) {
        clearTimeout(timer);
        resolve({ url: m[1], port: Number(m[2]), token: m[3] });
      }
    });
    child.on('exit', () => reject(new Error('the program ended before printing its address; stderr: ' + stderr)));
  });
  return { child, address, exited, stderr: () => stderr };
}

const program = startProgram();
let browser;
let page;
let addr;

function journal() {
  try { return fs.readFileSync(path.join(image, 'journal.log'), 'utf8'); } catch (e) { return ''; }
}
async function state() {
  const r = await fetch(`http://127.0.0.1:${addr.port}/state?token=${addr.token}`);
  return r.json();
}
const row = (name) => page.locator('.list .row').filter({ has: page.locator(`.cell:first-child .txt:text-is("${name}")`) });
async function chooseFromMenu(...entries) {
  await page.click('.softkey:text-is("Menu")');
  for (const e of entries) await page.click(`.menu .item:text-is("${e}")`);
}
async function messageBox() {
  const box = page.locator('.msgbox');
  await box.waitFor({ timeout: 15000 });
  return { box, caption: await box.locator('.cap').textContent(), text: await box.locator('.text').textContent() };
}
async function answer(button) {
  await page.click(`.msgbox .buttons button:text-is("${button}")`);
  await page.locator('.msgbox').waitFor({ state: 'detached', timeout: 15000 });
}
async function checkedRows() {
  return page.$$eval('.list .row', (rows) => rows.map((r) => !!r.querySelector('.box.on')));
}
// The rows of the list on the screen: each row's cell texts and whether its box is ticked.
async function listRows() {
  return page.$$eval('.list .row', (rows) => rows.map((r) => ({
    cells: [...r.querySelectorAll('.cell .txt')].map((c) => c.textContent.trim()),
    checked: !!r.querySelector('.box.on'),
  })));
}
async function listHeads() {
  return page.$$eval('.list .head div', (h) => h.map((e) => e.textContent));
}
async function softKeys() {
  return page.$$eval('.softkey', (k) => k.map((e) => e.textContent));
}
async function dialogOpens(caption) {
  await page.waitForSelector(`.navbar .title:text-is("${caption}")`, { timeout: 15000 });
  const windows = (await state()).model.windows;
  const top = windows.filter((w) => w.kind === 'dialog').pop();
  expect(top && top.caption === caption, 'the program\'s top dialog is ' + (top && top.caption));
}
// Taps the dialog's right soft key ("Close") and waits for the main window to come back.
async function closeDialog() {
  await page.click('.softkey.right:text-is("Close")');
  await page.waitForSelector('.navbar .title:text-is("Tidymatic")', { timeout: 15000 });
  await until('the main window list', async () => (await page.locator('.list .row').count()) === 31);
}
// Ticks the named rows one by one, waiting for each to show its count; returns the rows.
async function tickEach(names) {
  for (const name of names) {
    await row(name).locator('.box').click();
    await until(name + ' counted', async () => (await row(name).locator('.box.on').count()) === 1 &&
      (await row(name).locator('.cell').nth(1).textContent()).trim() !== '');
  }
  return listRows();
}
function imageHas(devicePath) {
  return fs.existsSync(path.join(image, 'fs', ...devicePath.split('\\').filter(Boolean)));
}

try {
  addr = await program.address;
  report(true, 'the program prints its address', addr.url.replace(addr.token, '<token>'));

  await check('a request without the token is refused', async () => {
    const base = `http://127.0.0.1:${addr.port}`;
    const page0 = await fetch(base + '/');
    const st = await fetch(base + '/state');
    const input = await fetch(base + '/input', {
      method: 'POST', headers: { 'Content-Type': 'application/json' }, body: '{"window":1,"action":"activate"}',
    });
    const wrong = await fetch(base + '/state?token=' + '0'.repeat(32));
    const foreign = await fetch(base + '/state?token=' + addr.token, { headers: { Origin: 'http://evil.example' } });
    const codes = [page0.status, st.status, input.status, wrong.status, foreign.status];
    expect(codes.every((c) => c === 403), 'expected 403 everywhere, got ' + codes.join(' '));
    const ok = await fetch(base + '/state?token=' + addr.token);
    expect(ok.status === 200, 'with the token: ' + ok.status);
    return codes.join(' ');
  });

  // A fresh profile for every run.
  browser = await chromium.launchPersistentContext(path.join(work, 'chromium'), {
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    viewport: { width: 480, height: 640 },
  });
  const context = browser;
  await context.addInitScript(() => { try { localStorage.setItem('tidymatic.zoom', '1'); } catch (e) { /* */ } });
  page = await context.newPage();
  const pageErrors = [];
  page.on('pageerror', (e) => pageErrors.push(e.message));
  let streams = 0;
  page.on('request', (r) => { if (new URL(r.url()).pathname === '/events') streams++; });
  fs.mkdirSync(artifacts, { recursive: true });

  await check('the page shows the main window', async () => {
    await page.goto(addr.url);
    await page.waitForSelector('.navbar .title:text-is("Tidymatic")');
    await until('31 rows', async () => (await page.locator('.list .row').count()) === 31);
    await until('the first refresh', async () => !(await page.locator('.busy.on').count()));
    const keys = await page.$$eval('.softkey', (k) => k.map((e) => e.textContent));
    expect(keys[0] === 'Clean' && keys[1] === 'Menu', 'soft keys are ' + keys.join(', '));
    const heads = await page.$$eval('.list .head div', (h) => h.map((e) => e.textContent));
    expect(heads.join('|') === 'Item Type|Size', 'columns are ' + heads.join('|'));
    await page.locator('#device').screenshot({ path: path.join(artifacts, 'main-window.png') });
    return 'screenshot test-artifacts/main-window.png';
  });

  await check('ticking Temp shows its size', async () => {
    await row('Temp').locator('.box').click();
    const size = await until('a size for Temp', async () => {
      const t = (await row('Temp').locator('.cell').nth(1).textContent()).trim();
      return /^\d+(\.\d)? (Bytes|KB|MB)$/.test(t) ? t : null;
    });
    expect(await row('Temp').locator('.box.on').count() === 1, 'Temp is not ticked');
    return 'Temp ' + size;
  });

  await check('Clean reports what it removed', async () => {
    await page.click('.softkey:text-is("Clean")');
    const { caption, text } = await messageBox();
    expect(caption === 'Tidymatic', 'caption ' + caption);
    expect(/^\d+ Files and \d+ Folders of .+ Cleared!$/.test(text), 'text ' + JSON.stringify(text));
    expect(await page.locator('.msgbox .icon.information').count() === 1, 'no information icon');
    await page.locator('#device').screenshot({ path: path.join(artifacts, 'message-box.png') });
    await answer('OK');
    return text;
  });

  await check('Select Recommended Items ticks the recommended rows', async () => {
    await chooseFromMenu('Selection', 'Select Recommended Items');
    const ticks = await until('the recommended ticks', async () => {
      const t = await checkedRows();
      return t[0] && t[28] ? t : null;
    });
    for (const i of [0, 1, 2, 3, 4, 28, 29]) expect(ticks[i], 'row ' + i + ' is not ticked');
    for (let i = 8; i <= 24; i++) expect(!ticks[i], 'row ' + i + ' is ticked');
    expect(!ticks[27] && !ticks[30], 'Custom Files or Boot Count is ticked');
    return ticks.filter(Boolean).length + ' rows ticked';
  });

  await check('tap and hold offers View Description', async () => {
    await row('Cookies').click();
    await until('Cookies selected', async () => (await row('Cookies').getAttribute('class')).includes('sel'));
    const box = await row('Cookies').boundingBox();
    await page.mouse.move(box.x + 40, box.y + box.height / 2);
    await page.mouse.down();
    await page.locator('.popup-menu').waitFor({ timeout: 5000 });
    await page.mouse.up();
    const entries = await page.$$eval('.popup-menu > *', (e) => e.map((x) => (x.classList.contains('sep') ? '---' : x.textContent)));
    expect(entries.join('|') === 'Select All|Unselect All|View Description|---|Clean Selected', 'menu ' + entries.join('|'));
    await page.click('.popup-menu .item:text-is("View Description")');
    const { caption, text } = await messageBox();
    expect(caption === 'Cookies', 'caption ' + caption);
    expect(text.length > 10, 'description ' + JSON.stringify(text));
    // Enter answers the box with its first button.
    await page.keyboard.press('Enter');
    await page.locator('.msgbox').waitFor({ state: 'detached', timeout: 5000 });
    // A right click is a tap and hold too; Escape closes the menu.
    await row('History').click({ button: 'right' });
    await page.locator('.popup-menu').waitFor({ timeout: 5000 });
    await page.keyboard.press('Escape');
    await page.locator('.popup-menu').waitFor({ state: 'detached', timeout: 5000 });
    // Enter does not close the main window.
    await page.keyboard.press('Enter');
    await sleep(300);
    const windows = (await state()).model.windows;
    expect(windows.length === 1 && windows[0].caption === 'Tidymatic', 'Enter closed the main window');
    return entries.join(' | ');
  });

  await check('Links/Memory opens the memory page through the shell', async () => {
    const before = journal();
    await chooseFromMenu('Links', 'Memory');
    const added = await until('a journal line', async () => {
      const now = journal();
      const fresh = now.slice(before.length);
      return /ctlpnl/.test(fresh) && /cplmain\.cpl,4/.test(fresh) ? fresh.trim() : null;
    });
    return added.split('\n').pop();
  });

  await check('the page reconnects after the event stream drops', async () => {
    const before = streams;
    // The server keeps a few streams per run and lets the oldest go: crowd the page's out.
    const controller = new AbortController();
    const crowd = [];
    for (let i = 0; i < 8; i++) {
      crowd.push(fetch(`http://127.0.0.1:${addr.port}/events?token=${addr.token}`, { signal: controller.signal })
        .then((r) => r.body.getReader().read()).catch(() => {}));
    }
    await until('the page to open a new stream', async () => streams > before, 10000);
    // Change the state from outside while the page reconnects; the page must show it.
    const s = await state();
    const main = s.model.windows[0];
    const r = await fetch(`http://127.0.0.1:${addr.port}/input?token=${addr.token}`, {
      method: 'POST', headers: { 'Content-Type': 'application/json' },
      body: JSON.stringify({ window: main.handle, action: 'check', control: 1019, row: 30, checked: true }),
    });
    expect(r.status === 202, 'input refused: ' + r.status);
    controller.abort();
    await Promise.all(crowd);
    await until('Boot Count ticked on the page', async () => (await checkedRows())[30], 10000);
    const status = await page.textContent('#status');
    expect(status === 'Connected to Tidymatic', 'status ' + status);
    return (streams - before) + ' new stream(s)';
  });

  // The sample image holds two thumbnail files (7.5 KB + 12.5 KB) and two desktop.ini files on
  // its card, two themes that are not in use, three uninstall keys and one AppMgr folder of
  // removed software, three dead Start Menu shortcuts, one dead StartUp shortcut and one input
  // method whose DLL is gone.
  await check('Tools/Advanced counts the sample leftovers and removes nothing', async () => {
    await chooseFromMenu('Tools', 'Advanced');
    await dialogOpens('Advanced');
    const heads = await listHeads();
    expect(heads.join('|') === 'Item Type|Count', 'columns are ' + heads.join('|'));
    const keys = await softKeys();
    expect(keys.join('|') === 'Clean|Close', 'soft keys are ' + keys.join('|'));
    const names = ['Thumbs.db', 'Desktop.ini', 'Bad Theme Registry', 'Bad Uninstall Registry',
      'Bad Uninstall Files', 'Dead Shortcuts', 'Startup Programs', 'Dead SIPs'];
    let rows = await listRows();
    expect(rows.map((r) => r.cells[0]).join('|') === names.join('|'), 'rows are ' + rows.map((r) => r.cells[0]).join('|'));
    expect(rows.every((r) => !r.checked && !r.cells[1]), 'a row is ticked or counted on opening');
    // Ticking a row counts what it would clean.
    rows = await tickEach(names);
    // Tap and hold on a row offers its description and a clean of that row only; the dialog
    // has no bulk entries.
    await row('Dead SIPs').click();
    await until('Dead SIPs selected', async () => (await row('Dead SIPs').getAttribute('class')).includes('sel'));
    await row('Dead SIPs').click({ button: 'right' });
    await page.locator('.popup-menu').waitFor({ timeout: 5000 });
    const entries = await page.$$eval('.popup-menu > *', (e) => e.map((x) => (x.classList.contains('sep') ? '---' : x.textContent)));
    expect(entries.join('|') === 'View Description|---|Clean Selected', 'menu ' + entries.join('|'));
    await page.click('.popup-menu .item:text-is("View Description")');
    const { caption, text } = await messageBox();
    expect(caption === 'Dead SIPs' && /input methods/.test(text), 'description ' + caption + ': ' + text);
    await answer('OK');
    const counts = rows.map((r) => r.cells[1]);
    const want = ['20.0 KB', '210 Bytes', '2', '3', '1', '3', '1', '1'];
    expect(counts.join('|') === want.join('|'), 'counts are ' + counts.join('|'));
    await page.locator('#device').screenshot({ path: path.join(artifacts, 'advanced.png') });
    await closeDialog();
    // Counting and closing remove nothing.
    expect(imageHas('\\Storage Card\\My Pictures\\Thumbs.db'), 'Thumbs.db was removed');
    expect(imageHas('\\Windows\\Start Menu\\Programs\\Pocket Tetris.lnk'), 'a dead shortcut was removed');
    expect(/Forest\.tsk/.test(fs.readFileSync(path.join(image, 'registry.reg'), 'utf8')), 'a theme key was removed');
    return counts.join(', ') + '; screenshot test-artifacts/advanced.png';
  });

  await check('Tools/MRU Cleaner counts each list and keeps its ticks', async () => {
    await chooseFromMenu('Tools', 'MRU Cleaner');
    await dialogOpens('MRU Cleaner');
    const heads = await listHeads();
    expect(heads.join('|') === 'Application|MRU Count', 'columns are ' + heads.join('|'));
    const keys = await softKeys();
    expect(keys.join('|') === 'Clean|Close', 'soft keys are ' + keys.join('|'));
    const names = ['HTC Streaming', 'Queuely', 'UKNote', 'UKEditor', 'CEdit', 'File Explorer',
      'Resco Photo Viewer', 'Adobe Reader LE'];
    let rows = await listRows();
    expect(rows.map((r) => r.cells[0]).join('|') === names.join('|'), 'rows are ' + rows.map((r) => r.cells[0]).join('|'));
    expect(rows.every((r) => !r.checked && !r.cells[1]), 'a row is ticked or counted on a fresh image');
    // Ticking a row counts its list; UKEditor is not installed on the sample image.
    rows = await tickEach(names);
    const counts = rows.map((r) => r.cells[1]);
    const want = ['3', '3', '4', 'Not Found', '3', '3', '2', '3'];
    expect(counts.join('|') === want.join('|'), 'counts are ' + counts.join('|'));
    await page.locator('#device').screenshot({ path: path.join(artifacts, 'mru-cleaner.png') });
    await closeDialog();
    // Closing keeps the ticks: the dialog opens again with every row ticked and counted, and
    // nothing was cleared.
    await chooseFromMenu('Tools', 'MRU Cleaner');
    await dialogOpens('MRU Cleaner');
    const again = await until('the ticks again', async () => {
      const r = await listRows();
      return r.length === 8 && r.every((x) => x.checked && x.cells[1]) ? r : null;
    });
    expect(again.map((r) => r.cells[1]).join('|') === want.join('|'), 'counts on reopening are ' + again.map((r) => r.cells[1]).join('|'));
    await closeDialog();
    return counts.join(', ') + '; screenshot test-artifacts/mru-cleaner.png';
  });

  await check('Options/Main Settings shows the sample device settings', async () => {
    await chooseFromMenu('Options', 'Main Settings');
    await dialogOpens('Options');
    const keys = await softKeys();
    expect(keys.join('|') === 'Menu|Close', 'soft keys are ' + keys.join('|'));
    const labels = await page.$$eval('.dialog .label', (l) => l.map((e) => e.textContent));
    const wantLabels = ['Cache Folder:', 'Mail Attachments:', 'Custom Folder 1', 'Custom Folder 2', 'Custom Folder 3'];
    expect(labels.join('|') === wantLabels.join('|'), 'labels are ' + labels.join('|'));
    // The sample's Internet Explorer folders are in the guest profile; mail attachments stay
    // in the Windows folder; no custom folder is set, so each shows the default.
    const combo = (id) => page.locator(`.dialog .combo[data-id="${id}"]`);
    const cache = (await combo(1024).locator('.val').textContent()).trim();
    expect(cache === 'Windows\\Profiles\\guest', 'Cache Folder shows ' + cache);
    const mail = (await combo(1025).locator('.val').textContent()).trim();
    expect(mail === 'Windows', 'Mail Attachments shows ' + mail);
    const lists = {};
    for (const id of [1024, 1025]) {
      await combo(id).click();
      await page.locator('.dropdown').waitFor({ timeout: 5000 });
      lists[id] = await page.$$eval('.dropdown > div', (d) => d.map((e) => e.textContent));
      await combo(id).click();
      await page.locator('.dropdown').waitFor({ state: 'detached', timeout: 5000 });
    }
    expect(lists[1024].join('|') === 'Windows|Windows\\Profiles\\guest|Storage Card', 'Cache Folder offers ' + lists[1024].join('|'));
    expect(lists[1025].join('|') === 'Windows|Storage Card', 'Mail Attachments offers ' + lists[1025].join('|'));
    const edits = await page.$$eval('.dialog input.edit', (e) => e.map((x) => ({ value: x.value, readOnly: x.readOnly })));
    expect(edits.length === 3 && edits.every((e) => e.value === '\\My Documents\\Temp' && e.readOnly),
      'custom folders are ' + JSON.stringify(edits));
    const browse = await page.$$eval('.dialog button.button', (b) => b.map((e) => e.textContent));
    expect(browse.join('|') === 'Browse|Browse|Browse', 'buttons are ' + browse.join('|'));
    const startup = page.locator('.dialog .check:has-text("Auto clean on Start Up")');
    expect(await startup.count() === 1, 'no "Auto clean on Start Up" check box');
    expect(await startup.locator('.box.on').count() === 0, '"Auto clean on Start Up" is ticked');
    await page.locator('#device').screenshot({ path: path.join(artifacts, 'options.png') });
    await closeDialog();
    return cache + ', ' + mail + '; screenshot test-artifacts/options.png';
  });

  await check('Exit ends the program and the page says so', async () => {
    await chooseFromMenu('Exit');
    const { code } = await Promise.race([program.exited, sleep(15000).then(() => ({ code: 'timeout' }))]);
    expect(code === 0, 'exit code ' + code + '; stderr: ' + program.stderr());
    await page.locator('.ended').waitFor({ timeout: 5000 });
    return 'exit code 0';
  });

  report(pageErrors.length === 0, 'no script errors on the page', pageErrors.join('; '));
} catch (e) {
  report(false, 'browser tests', e && e.stack ? e.stack.split('\n').slice(0, 3).join(' ') : String(e));
} finally {
  if (browser) await browser.close().catch(() => {});
  if (program.child.exitCode === null) program.child.kill('SIGTERM');
  fs.rmSync(work, { recursive: true, force: true });
}

console.log(failures ? `${failures} browser check(s) failed` : `all ${results.length} browser checks passed`);
process.exit(failures ? 1 : 0);
