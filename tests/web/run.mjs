// Browser tests of the web front end: the real program on a fresh sample device image, driven
// through the page in headless Chromium. Prints one line per check; exits non-zero on a failure.
//
//   TIDYMATIC=build-test/tidymatic node tests/web/run.mjs
//
// Screenshots of the main window and of a message box go to test-artifacts/.

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
