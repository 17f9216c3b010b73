// The panel's reading of the unit's status text, run without a browser: the
// function is cut out of the page between its markers and run in an empty
// context (no document), so it must be pure.
//
//   node status_words_test.mjs [web/panel.html]
import { readFileSync } from "node:fs";
import { fileURLToPath } from "node:url";
import vm from "node:vm";
import assert from "node:assert/strict";

const pagePath = process.argv[2] || fileURLToPath(new URL("../../web/panel.html", import.meta.url));
const page = readFileSync(pagePath, "utf8");
const DASH = "\u2014";
let failures = 0;
function group(name, body) {
  try { body(); console.log("ok   " + name); } catch (e) { failures += 1; console.error("FAIL " + name + "\n" + e.message); }
}

// The text as the unit lays it out, each field already at its width.
function text({ band = "20m ", src = "1", att = "2", ant = "1", byp = "0", tuner = "T", run = "0", swr = "001.50",
                fwd = "500.00", pin = "012.50", temp = "41.5", volt = "48.0", amps = "12.3", bank = "03", err = "0" } = {}) {
  return band + src + att + ant + byp + tuner + run + swr + fwd + pin + temp + volt + amps + bank + err + "0";
}

let describe = null;
group("the page: its function is extractable, and it keeps the rules its CSP depends on", () => {
  const scripts = page.split("<script>").length - 1, styles = page.split("<style>").length - 1;
  assert.equal(scripts, 1, "inline <script> blocks");
  assert.equal(styles, 1, "inline <style> blocks");
  assert.doesNotMatch(page, /\sstyle\s*=|\son[a-z]+\s*=|<script\s+src|<link\b|innerHTML|outerHTML|insertAdjacentHTML|document\.write/);
  const script = page.slice(page.indexOf("<script>"), page.indexOf("</script>"));
  const m = script.match(/\/\/ status-words:begin\n([\s\S]*?)\/\/ status-words:end/);
  assert.ok(m, "markers inside the script");
  describe = vm.runInNewContext(m[1] + "\ndescribeStatus;", Object.create(null));
  for (const id of ["screen", "message", "frames", "pass", "login", "reconnect", "lamp", "status"])
    assert.match(page, new RegExp(`id="${id}"`), id);
});
if (!describe) process.exit(1);
const d = (t) => ({ ...describe(t) });  // a plain copy: objects of another context fail deepEqual

group("a normal text reads as words", () => {
  assert.deepEqual(d(text()), {
    band: "20m", antenna: "ANT 2", tuner: "tuner in line", amplifier: "operate", attenuator: "3 dB",
    forward: "500 W", reflected: "20.0 W", swr: "1.50", drive: "12.5 W", temperature: "41.5 \u00b0C",
    voltage: "48.0 V", current: "12.3 A", bank: "3", error: "No error", errorLevel: "clear", transmitting: true });
  const other = d(text({ band: "160m", att: "3", ant: "0", byp: "1", tuner: "B", volt: " 9.5", temp: "-5.0",
                         fwd: "1500.0", swr: "100.00", bank: "19" }));
  assert.deepEqual([other.band, other.attenuator, other.antenna, other.amplifier, other.tuner, other.voltage,
                    other.temperature, other.forward, other.reflected, other.swr, other.bank],
                   ["160m", "5 dB", "ANT 1", "standby", "tuner bypassed", "9.5 V", "-5.0 \u00b0C", "1500 W",
                    "1441 W", "100.0", "19"]);
  assert.deepEqual([d(text({ tuner: "N" })).tuner, d(text({ run: "1" })).tuner], ["no tuner", "tuning"]);
  assert.deepEqual([d(text({ fwd: "000.99" })).transmitting, d(text({ fwd: "001.00" })).transmitting], [false, true]);
});

group("band \"----\" is no band; a band name with control bytes is not shown", () => {
  assert.equal(d(text({ band: "----" })).band, "no band");
  assert.equal(d(text({ band: "6m  " })).band, "6m");
  assert.equal(d(text({ band: "2\x1b[m" })).band, DASH);
  assert.equal(d(text({ band: "    " })).band, DASH);
});

group("the error byte: none, each code's words, unknown codes by number", () => {
  const err = (byte) => d(text({ err: String.fromCharCode(byte) }));
  assert.equal(err(0x30).error, "No error");
  assert.deepEqual([err(1 + 1).error, err(1 + 1).errorLevel], ["Error: high SWR", "alarm"]);
  assert.deepEqual([err(4 + 1).error, err(4 + 1).errorLevel], ["Error: no answer from the amplifier", "warn"]);
  assert.match(err(19 + 1).error, /band/);
  assert.match(err(24 + 1).error, /sensor 2/);
  const words = Array.from({ length: 25 }, (_, code) => err(code + 1).error);
  assert.equal(new Set(words).size, 25, "every code has its own words");
  for (const w of words) assert.match(w, /^Error: [a-z]/);
  assert.deepEqual([err(25 + 1).error, err(0xff).error, err(0x00).error], ["Error 25", "Error 254", DASH]);
});

group("SWR below 1 or unreadable: SWR a dash, nothing said of reflected power", () => {
  for (const swr of ["000.00", "000.50", "  nan ", "xx.xx!", "1e+003"]) {
    const r = d(text({ swr }));
    assert.equal(r.swr, DASH, swr);
    assert.equal(r.reflected, "", swr);
    assert.equal(r.forward, "500 W");
  }
  assert.equal(d(text({ swr: "001.00" })).reflected, "0.0 W");
  assert.equal(d(text({ fwd: "12a.00" })).reflected, DASH);
});

// Every field either reads as the unit would write it or is a dash.
const shape = { band: /^[\x20-\x7e]+$/, antenna: /^ANT \d+$/, tuner: /^(no tuner|tuner bypassed|tuner in line|tuning)$/,
                amplifier: /^(operate|standby)$/, attenuator: /^[0235] dB$/, forward: /^\d+(\.\d)? W$/,
                reflected: /^(|\d+(\.\d)? W)$/, swr: /^\d+\.\d+$/, drive: /^\d+(\.\d)? W$/,
                temperature: /^-?\d+\.\d \u00b0C$/, voltage: /^\d+\.\d V$/, current: /^\d+\.\d A$/, bank: /^\d+$/,
                error: /^(No error|Error: [a-z][ -~]+|Error \d+)$/ };
function wellFormed(r, input) {
  for (const [key, re] of Object.entries(shape))
    if (r[key] !== DASH && !re.test(r[key])) throw new Error(`${key} = ${JSON.stringify(r[key])} from ${JSON.stringify(input)}`);
  assert.equal(typeof r.transmitting, "boolean");
}

group("a cut text: what arrived still reads, the rest is a dash", () => {
  const full = text();
  for (let n = 0; n <= full.length; n += 1) wellFormed(describe(full.slice(0, n)), full.slice(0, n));
  const cut = d(full.slice(0, 24));
  assert.deepEqual([cut.band, cut.swr, cut.forward, cut.drive, cut.temperature, cut.bank, cut.error],
                   ["20m", "1.50", "500 W", DASH, DASH, DASH, DASH]);
  assert.equal(d(full.slice(0, 14)).swr, DASH, "a field cut in the middle");
  for (const v of Object.values(d(""))) assert.ok(v === DASH || v === "" || v === false);
});

group("garbage and other types never throw and never show NaN", () => {
  for (const junk of [undefined, null, 42, {}, []]) wellFormed(describe(junk), junk);
  let seed = 12345;
  const next = () => (seed = (seed * 1103515245 + 12345) >>> 0) >>> 8;
  for (let i = 0; i < 3000; i += 1) {
    // Mostly digits, points and blanks, so that numbers half-parse; some wide characters.
    const alphabet = "0123456789. -+eN\x00\x7f\xff\u2028\ud800";
    let t = "";
    for (let n = next() % 70; n > 0; n -= 1)
      t += next() % 4 ? alphabet[next() % alphabet.length] : String.fromCharCode(next() % 256);
    wellFormed(describe(t), t);
  }
  assert.equal(d(text({ volt: "4-8." })).voltage, DASH);
  assert.equal(d(text({ fwd: "-01.00" })).forward, DASH);
  assert.equal(d(text({ bank: "1x" })).bank, DASH);
  assert.equal(d(text({ att: "7" })).attenuator, DASH);
});

if (failures) { console.error(`${failures} group(s) failed`); process.exit(1); }
console.log("PASS");
