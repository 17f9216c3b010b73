// The front panel in a real browser: headless Chromium, driven through its
// DevTools protocol, against a bench unit (hfamp in a sandbox with the
// simulated amplifier and an owner passphrase). A page of another site cannot
// open the unit's socket; a wrong passphrase and the shared default get no
// image and are told why; the owner's shows the unit's screen, a click on ANT
// puts "SA" on the amplifier's wire, and the page's screenshot goes to
// docs/screenshots/.
//
//   node --experimental-websocket panel_test.mjs BUILD_DIR SOURCE_DIR
import { spawn } from "node:child_process";
import { mkdtempSync, readFileSync, writeFileSync, existsSync, rmSync, mkdirSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import net from "node:net";
import http from "node:http";
import { X509Certificate, createHash } from "node:crypto";

const [buildDir, sourceDir] = process.argv.slice(2);
// A cross build's bench runs under qemu-user, named with its options in
// HFAMP_EMULATOR; everything then takes several times as long.
const emulator = (process.env.HFAMP_EMULATOR || "").split(/\s+/).filter(Boolean);
const slowdown = emulator.length ? 5 : 1;
const SKIP = 77;
const W = 800, H = 480;
const children = [];

function fail(message) {
  console.error("FAIL: " + message);
  cleanup();
  process.exit(1);
}
function cleanup() { for (const c of children) if (c.exitCode === null) c.kill("SIGTERM"); }
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
async function until(what, check, ms) {
  const end = Date.now() + ms * slowdown;
  for (;;) {
    const v = await check();
    if (v) return v;
    if (Date.now() > end) fail("timed out waiting for " + what);
    await sleep(200);
  }
}
function freePort() {
  return new Promise((resolve) => {
    const s = net.createServer().listen(0, "127.0.0.1", () => { const p = s.address().port; s.close(() => resolve(p)); });
  });
}
function findChromium() {
  for (const p of ["/usr/bin/chromium", "/usr/bin/chromium-browser", "/usr/bin/google-chrome"]) if (existsSync(p)) return p;
  return null;
}

// One DevTools connection to a page.
class Page {
  constructor(url) { this.url = url; this.id = 0; this.waiting = new Map(); }
  open() {
    return new Promise((resolve, reject) => {
      this.ws = new WebSocket(this.url);
      this.ws.onopen = resolve;
      this.ws.onerror = reject;
      this.ws.onmessage = (ev) => {
        const m = JSON.parse(ev.data);
        const w = this.waiting.get(m.id);
        if (!w) return;
        this.waiting.delete(m.id);
        m.error ? w.reject(new Error(JSON.stringify(m.error))) : w.resolve(m.result);
      };
    });
  }
  send(method, params = {}) {
    const id = ++this.id;
    this.ws.send(JSON.stringify({ id, method, params }));
    return new Promise((resolve, reject) => this.waiting.set(id, { resolve, reject }));
  }
  async eval(expression) {
    const r = await this.send("Runtime.evaluate", { expression, returnByValue: true, awaitPromise: true });
    if (r.exceptionDetails) fail("page script: " + JSON.stringify(r.exceptionDetails));
    return r.result.value;
  }
  async login(pass) {
    await this.eval(`(() => { document.getElementById("pass").value = ${JSON.stringify(pass)};
      document.getElementById("login").requestSubmit(); return true; })()`);
  }
  async click(x, y, holdMs) {
    const base = { x, y, button: "left", clickCount: 1 };
    await this.send("Input.dispatchMouseEvent", { type: "mouseMoved", x, y });
    await this.send("Input.dispatchMouseEvent", { type: "mousePressed", ...base });
    await sleep(holdMs);
    await this.send("Input.dispatchMouseEvent", { type: "mouseReleased", ...base });
  }
}

// Mean difference per channel between the canvas (RGBA) and the unit's
// framebuffer (B, G, R, unused) on a grid of sample points.
// The canvas is compared on a grid of every 8th pixel; the page hands over
// only that grid (R, G, B per point), since the whole canvas is 1.5 million
// numbers through DevTools.
const GRID = `(() => { const d = document.getElementById("screen").getContext("2d").getImageData(0, 0, ${W}, ${H}).data;
  const out = []; for (let y = 2; y < ${H}; y += 8) for (let x = 2; x < ${W}; x += 8) { const i = (y * ${W} + x) * 4;
  out.push(d[i], d[i + 1], d[i + 2]); } return out; })()`;

function screenDifference(grid, fb) {
  let sum = 0, n = 0;
  for (let y = 2; y < H; y += 8)
    for (let x = 2; x < W; x += 8) {
      const f = (y * W + x) * 4;
      sum += Math.abs(grid[n] - fb[f + 2]) + Math.abs(grid[n + 1] - fb[f + 1]) + Math.abs(grid[n + 2] - fb[f]);
      n += 3;
    }
  return sum / n;
}

// A page from another site (a second local server) tries to open the unit's
// socket in the same browser: the unit refuses the upgrade.
async function foreignPageRefused(page, port) {
  const html = `<!doctype html><title>waiting</title><script>
    const ws = new WebSocket("wss://127.0.0.1:${port}/");
    ws.onopen = () => { document.title = "opened"; ws.send("lindoramesca"); };
    ws.onclose = () => { if (document.title !== "opened") document.title = "refused"; };
  </script>`;
  const server = http.createServer((req, res) => { res.writeHead(200, { "Content-Type": "text/html" }); res.end(html); });
  const sitePort = await new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server.address().port)));
  await page.send("Page.navigate", { url: `http://127.0.0.1:${sitePort}/` });
  const title = await until("the foreign page's verdict",
                            async () => {
    const t = await page.eval(`location.port === "${sitePort}" ? document.title : "waiting"`);
    return t !== "waiting" && t;
  }, 10000);
  server.close();
  if (title !== "refused") fail("a page of another site opened the unit's socket: " + title);
  console.log("a page of another site: upgrade refused");
}

async function main() {
  const chromium = findChromium();
  if (!chromium) { console.log("SKIP: no chromium (scripts/install-deps.sh installs it)"); process.exit(SKIP); }
  if (typeof WebSocket === "undefined") { console.log("SKIP: node without WebSocket"); process.exit(SKIP); }
  const root = mkdtempSync(join(tmpdir(), "hfamp-browser-"));
  const wire = join(root, "wire.log");
  const port = await freePort();
  const owner = "owners-own-9";
  mkdirSync(join(root, "unit", "opt", "set"), { recursive: true });
  writeFileSync(join(root, "unit", "opt", "set", "passphrase.txt"), owner + "\n");
  const benchCommand = [...emulator, join(buildDir, "sim", "hfamp-sim"),
                        "--root", join(root, "unit"), "--wire-log", wire, "--serve", String(port)];
  const bench = spawn(benchCommand[0], benchCommand.slice(1), { stdio: ["pipe", "ignore", "inherit"] });
  children.push(bench);
  // Plain HTTP is sent to HTTPS; the page itself is only served over TLS.
  const plainUrl = `http://127.0.0.1:${port}/`;
  await until("the unit's redirect to HTTPS", async () => {
    try { return (await fetch(plainUrl, { redirect: "manual" })).status === 301; } catch { return false; }
  }, 60000);
  const pageUrl = `https://127.0.0.1:${port}/`;
  // The browser takes the unit's self-signed certificate by its key's hash,
  // as an owner takes it by the fingerprint on the information screen.
  const cert = new X509Certificate(readFileSync(join(root, "unit", "opt", "set", "hfamp-cert.pem")));
  const spki = createHash("sha256").update(cert.publicKey.export({ type: "spki", format: "der" })).digest("base64");
  console.log("unit certificate SHA-256 " + cert.fingerprint256);

  const profile = join(root, "profile");
  const browser = spawn(chromium, ["--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
                                   "--remote-debugging-port=0", `--user-data-dir=${profile}`,
                                   `--ignore-certificate-errors-spki-list=${spki}`, "--window-size=840,620",
                                   "about:blank"], { stdio: ["ignore", "ignore", "pipe"] });
  children.push(browser);
  let devtools = "";
  browser.stderr.on("data", (d) => { devtools += d.toString(); });
  const httpPort = await until("DevTools", () => (devtools.match(/DevTools listening on ws:\/\/[^:]+:(\d+)\//) || [])[1], 30000);
  const targets = await until("a page target", async () => {
    const list = await (await fetch(`http://127.0.0.1:${httpPort}/json/list`)).json();
    return list.find((t) => t.type === "page");
  }, 10000);
  const page = new Page(targets.webSocketDebuggerUrl);
  await page.open();
  await page.send("Page.enable");
  await page.send("Page.navigate", { url: pageUrl });
  await until("the page to load", () => page.eval(`document.readyState === "complete" && !!document.getElementById("screen")`), 20000);

  // A wrong passphrase, and the shared default of every unit: refused, told
  // why, no image, no control.
  for (const wrong of ["not-the-passphrase", "lindoramesca"]) {
    await page.login(wrong);
    await until("the refusal of " + wrong,
                () => page.eval(`document.getElementById("message").textContent === "refused: wrong passphrase"`), 10000);
    if ((await page.eval(`document.getElementById("frames").textContent`)) !== "0") fail("an image reached " + wrong);
  }

  // The owner's: the screen appears and matches the unit's framebuffer.
  await page.login(owner);
  await until("a screen image", async () => Number(await page.eval(`document.getElementById("frames").textContent`)) > 0, 20000);
  // The unit's screen may be changing as the image travels (a slow build
  // still finishing start-up): compare again until one image matches.
  let diff = Infinity;
  await until("the canvas to show the unit's screen (within 25 per channel)", async () => {
    const p = await page.eval(GRID);
    if (new Set(p.filter((_, i) => i % 3 === 0)).size <= 4) return false;  // not drawn yet
    diff = screenDifference(p, readFileSync(join(root, "unit", "dev", "fb0")));
    return diff <= 25;
  }, 20000);
  console.log(`canvas against framebuffer: mean difference ${diff.toFixed(1)} per channel`);

  // ANT is the third of six soft buttons in the bottom 60 rows.
  const box = await page.eval(`(() => { const r = document.getElementById("screen").getBoundingClientRect();
    return [r.left, r.top, r.width / ${W}, r.height / ${H}]; })()`);
  const mark = readFileSync(wire, "latin1").length;
  await page.click(box[0] + 333 * box[2], box[1] + 450 * box[3], 200);
  await until('"SA" on the amplifier wire', () => /SA\d/.test(readFileSync(wire, "latin1").slice(mark)), 10000);

  await sleep(800);  // the next image shows the new antenna
  const shot = await page.send("Page.captureScreenshot", { format: "png" });
  if (!emulator.length) {  // the README's picture comes from the PC build
    mkdirSync(join(sourceDir, "docs", "screenshots"), { recursive: true });
    writeFileSync(join(sourceDir, "docs", "screenshots", "browser-panel.png"), Buffer.from(shot.data, "base64"));
  }
  await foreignPageRefused(page, port);
  console.log("PASS");
  cleanup();
  // The sandbox goes once the unit has stopped writing into it.
  if (bench.exitCode === null) await new Promise((r) => bench.once("exit", r));
  try { rmSync(root, { recursive: true, force: true }); } catch { /* left in the temporary directory */ }
  process.exit(0);
}

main().catch((e) => fail(e.stack || String(e)));
