#!/usr/bin/env node
// Renders a web button page with `corvanti-cli render --web` and drives it in Debian's
// chromium: every button shows its mouse-over picture on hover and on keyboard focus and its
// own picture again afterwards, Tab walks the buttons in order with a visible outline, Enter
// follows each link, the 1x or the 2x pictures load as the screen's scale asks, the page
// still works under a strict Content-Security-Policy, its accessible names are the caption
// lines, and axe-core finds no accessibility violation.
//
// usage: node web_page_test.js CORVANTI_CLI BIN_DIR
"use strict";

const assert = require("node:assert/strict");
const { execFileSync, spawnSync } = require("node:child_process");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { cliArgs, writeTemplate, privateCli, listen, sendFile, fileOf, chromiumOptions, run } = require("./harness");

let chromium;
let axePath;
try {
  ({ chromium } = require("playwright-core"));
  axePath = require.resolve("axe-core/axe.min.js");
} catch (e) {
  console.error("playwright-core or axe-core is missing: run scripts/setup (npm ci in tests/browser)");
  process.exit(1);
}

const { cli, binDir } = cliArgs("web_page_test.js");
const CSP = "default-src 'self'";

// The caption lines: an empty one, one with the characters HTML escapes, one in Cyrillic.
const captions = ["Home", "", 'Say "hi" <b> & co', "Новости", "Contact"];
const names = captions.map((c, i) => c || `Button ${i + 1} (no caption)`);

// Width and height from a PNG file's header.
function pngSize(file) {
  const b = fs.readFileSync(file);
  assert.equal(b.toString("latin1", 1, 4), "PNG", `${file} is no PNG file`);
  return [b.readUInt32BE(16), b.readUInt32BE(20)];
}

const types = { ".html": "text/html; charset=utf-8", ".css": "text/css", ".png": "image/png" };

// Serves the rendered folder under /site/ and a small page for every address under /pages/,
// recording which of those pages the browser asked for.
function serve(site, headers) {
  const visited = [];
  return listen((req, res) => {
    const url = new URL(req.url, "http://x");
    const name = decodeURIComponent(url.pathname);
    // The browser asks every server for a favicon: there is none, and that is no error.
    if (name === "/favicon.ico") {
      res.writeHead(204, headers).end();
      return;
    }
    if (name.startsWith("/pages/")) {
      visited.push(name + url.search);
      res.writeHead(200, { "Content-Type": types[".html"], ...headers });
      res.end(`<!DOCTYPE html><html lang="en"><title>target</title><p>${name.length}</p></html>`);
      return;
    }
    if (!name.startsWith("/site/")) {
      res.writeHead(404, headers).end();
      return;
    }
    sendFile(res, site, name.replace(/^\/site\//, ""), { types, fallback: "application/octet-stream", headers });
  }).then((server) => Object.assign(server, { visited }));
}

// Opens the page and gathers what goes wrong on it: script and console errors, failed
// requests, CSP violations. `requested` lists the file names asked for under /site/.
async function open(context, url) {
  const page = await context.newPage();
  const log = { errors: [], requested: [] };
  page.on("pageerror", (e) => log.errors.push(String(e)));
  page.on("console", (m) => {
    if (m.type() === "error") log.errors.push(`console: ${m.text()}`);
  });
  page.on("response", (r) => {
    if (r.status() >= 400) log.errors.push(`${r.status()} ${r.url()}`);
  });
  page.on("requestfailed", (r) => log.errors.push(`failed ${r.url()} ${r.failure() && r.failure().errorText}`));
  page.on("request", (r) => {
    if (new URL(r.url()).pathname.startsWith("/site/")) log.requested.push(fileOf(r.url()));
  });
  await page.addInitScript(() => {
    window.cvbViolations = [];
    document.addEventListener("securitypolicyviolation", (e) =>
      window.cvbViolations.push(`${e.violatedDirective} ${e.blockedURI}`),
    );
  });
  log.response = await page.goto(url, { waitUntil: "load" });
  await page.waitForLoadState("networkidle");
  return { page, log };
}

// What a button shows: the picture's opacity and the file names its link's background names.
function shown(link) {
  return link.evaluate((a) => {
    const img = a.querySelector("img");
    const style = getComputedStyle(a);
    return {
      opacity: getComputedStyle(img).opacity,
      background: Array.from(style.backgroundImage.matchAll(/url\("?([^")]*)"?\)/g), (m) =>
        decodeURIComponent(new URL(m[1], document.baseURI).pathname.split("/").pop()),
      ),
      outlineStyle: style.outlineStyle,
      outlineWidth: parseFloat(style.outlineWidth),
      focusVisible: a.matches(":focus-visible"),
      focused: document.activeElement === a,
    };
  });
}

function assertHoverPicture(s, k, what) {
  assert.equal(s.opacity, "0", `${what}: the picture of button ${k} does not step aside`);
  assert.ok(s.background.length > 0, `${what}: button ${k} has no background picture`);
  for (const f of s.background) {
    assert.match(f, new RegExp(`^nav_${k}_hover(@2x)?\\.png$`), `${what}: button ${k} background ${f}`);
  }
}

// Hover over each button and away again, then Tab through them all.
async function checkSwaps(page, what) {
  const links = await page.$$("a");
  assert.equal(links.length, 2 * captions.length, `${what}: two lists of ${captions.length} links`);
  for (let i = 0; i < links.length; ++i) {
    const k = (i % captions.length) + 1;
    const still = await shown(links[i]);
    assert.equal(still.opacity, "1", `${what}: button ${k} (link ${i + 1}) hidden before the mouse came`);
    await links[i].hover();
    assertHoverPicture(await shown(links[i]), k, `${what}: hover over link ${i + 1}`);
    await page.mouse.move(0, 0);
    assert.equal((await shown(links[i])).opacity, "1", `${what}: link ${i + 1} after the mouse left`);
  }
  for (let i = 0; i < links.length; ++i) {
    const k = (i % captions.length) + 1;
    await page.keyboard.press("Tab");
    const s = await shown(links[i]);
    assert.ok(s.focused, `${what}: Tab ${i + 1} does not reach link ${i + 1}`);
    assert.ok(s.focusVisible, `${what}: link ${i + 1} focused without :focus-visible`);
    assertHoverPicture(s, k, `${what}: focus on link ${i + 1}`);
    assert.notEqual(s.outlineStyle, "none", `${what}: link ${i + 1} focused without an outline`);
    assert.ok(s.outlineWidth > 0, `${what}: link ${i + 1} outline width ${s.outlineWidth}`);
    if (i > 0) {
      const before = await shown(links[i - 1]);
      assert.equal(before.opacity, "1", `${what}: link ${i} keeps its mouse-over picture after focus left`);
      assert.equal(before.outlineStyle, "none", `${what}: link ${i} keeps its outline after focus left`);
    }
  }
}

// The pictures the page asks for at one scale, and that each loads at the page's size.
async function checkScale(context, url, scale, sizes) {
  const { page, log } = await open(context, url);
  const what = `scale ${scale}`;
  const suffix = scale === 2 ? "@2x" : "";
  const imgs = await page.$$eval("img", (list) =>
    list.map((e) => ({
      current: e.currentSrc,
      width: e.width,
      height: e.height,
      naturalWidth: e.naturalWidth,
      naturalHeight: e.naturalHeight,
      complete: e.complete,
    })),
  );
  assert.equal(imgs.length, 2 * captions.length);
  imgs.forEach((img, i) => {
    const k = (i % captions.length) + 1;
    assert.equal(fileOf(img.current), `nav_${k}${suffix}.png`, `${what}: picture ${i + 1}`);
    assert.ok(img.complete && img.naturalWidth > 0, `${what}: ${img.current} does not load`);
    // A 2x picture counts at half its pixels: either way the page's size.
    assert.deepEqual([img.naturalWidth, img.naturalHeight], sizes[k - 1], `${what}: ${img.current} size`);
    assert.deepEqual([img.width, img.height], sizes[k - 1], `${what}: picture ${i + 1} drawn size`);
  });
  // Each link is exactly its picture, so the mouse-over picture behind it fills the button.
  const boxes = await page.$$eval("a", (list) =>
    list.map((a) => [a.getBoundingClientRect(), a.querySelector("img").getBoundingClientRect()].map(
      (r) => [r.x, r.y, r.width, r.height],
    )),
  );
  boxes.forEach(([a, img], i) => assert.deepEqual(a, img, `${what}: link ${i + 1} box differs from its picture`));

  await checkSwaps(page, what);
  await page.waitForLoadState("networkidle");
  const expected = ["nav.css"];
  for (let k = 1; k <= captions.length; ++k) expected.push(`nav_${k}${suffix}.png`, `nav_${k}_hover${suffix}.png`);
  assert.deepEqual([...new Set(log.requested)].filter((f) => f !== "nav.html").sort(), expected.sort(),
    `${what}: the files asked for`);
  assert.deepEqual(log.errors, [], `${what}: errors`);
  await page.close();
}

// Enter on each focused link: the browser goes to its target, or stays on the page for "#".
async function checkEnter(context, url, targets, server) {
  const { page, log } = await open(context, url);
  for (let i = 0; i < 2 * captions.length; ++i) {
    const k = (i % captions.length) + 1;
    if (i > 0) await page.goto(url, { waitUntil: "load" });
    for (let t = 0; t <= i; ++t) await page.keyboard.press("Tab");
    const href = await page.evaluate(() => document.activeElement.getAttribute("href"));
    assert.equal(href, targets[k - 1].href, `link ${i + 1} href`);
    if (href === "#") {
      await page.evaluate(() => (window.cvbStayed = true));
      await page.keyboard.press("Enter");
      assert.equal(page.url(), `${url}#`, `Enter on link ${i + 1}`);
      assert.equal(await page.evaluate(() => window.cvbStayed), true, `Enter on link ${i + 1} left the page`);
    } else {
      const visits = server.visited.length;
      await Promise.all([page.waitForURL((u) => u.pathname.startsWith("/pages/")), page.keyboard.press("Enter")]);
      const now = new URL(page.url());
      assert.equal(decodeURIComponent(now.pathname) + now.search, targets[k - 1].path, `Enter on link ${i + 1}`);
      assert.equal(await page.title(), "target");
      assert.deepEqual(server.visited.slice(visits), [targets[k - 1].path], `link ${i + 1}: the server's log`);
    }
  }
  assert.deepEqual(log.errors, [], "following the links: errors");
  await page.close();
}

// The browser's accessibility tree names every link by its caption line, and axe agrees
// there is nothing to fix.
async function checkAccessibility(context, url) {
  const { page, log } = await open(context, url);
  const cdp = await context.newCDPSession(page);
  const { nodes } = await cdp.send("Accessibility.getFullAXTree");
  const linkNames = nodes
    .filter((n) => !n.ignored && n.role && n.role.value === "link")
    .map((n) => n.name && n.name.value);
  assert.deepEqual(linkNames, [...names, ...names], "the links' accessible names");
  const navs = nodes.filter((n) => !n.ignored && n.role && n.role.value === "navigation").length;
  assert.equal(navs, 2, "two navigation landmarks");
  await cdp.detach();

  await page.addScriptTag({ path: axePath });
  const result = await page.evaluate(() => axe.run(document, { resultTypes: ["violations"] }));
  const violations = result.violations.map(
    (v) => `${v.id} (${v.impact}): ${v.help} at ${v.nodes.map((n) => n.target.join(" ")).join(", ")}`,
  );
  assert.deepEqual(violations, [], "axe-core violations");
  assert.ok(result.passes.length > 0, "axe-core ran no rule");
  assert.deepEqual(log.errors, [], "accessibility check: errors");
  await page.close();
  return result.passes.length;
}

// Under `default-src 'self'` the page still swaps on hover and on focus, and nothing is refused.
async function checkCsp(context, url) {
  const { page, log } = await open(context, url);
  assert.equal(log.response.headers()["content-security-policy"], CSP, "the CSP header");
  await checkSwaps(page, "under CSP");
  assert.deepEqual(await page.evaluate(() => window.cvbViolations), [], "CSP violations");
  assert.deepEqual(log.errors, [], "under CSP: errors");
  // The listener does hear a violation: an inline style is refused.
  await page.evaluate(() => document.body.setAttribute("style", "color: red"));
  await page.waitForFunction(() => window.cvbViolations.length > 0, null, { timeout: 5000 });
  await page.close();
}

async function main() {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), "corvanti-web-"));
  let browser;
  const servers = [];
  try {
    const program = privateCli(cli, binDir, path.join(work, "app"));
    const template = path.join(work, "t.btt");
    writeTemplate(template, "Button");
    const captionFile = path.join(work, "captions.txt");
    fs.writeFileSync(captionFile, captions.join("\n") + "\n");
    const site = path.join(work, "site");
    fs.mkdirSync(site);

    const plain = await serve(site, {});
    const strict = await serve(site, { "Content-Security-Policy": CSP });
    servers.push(plain, strict);

    // Links for some lines: an absolute address, none ("#"), one with a query, one with
    // Cyrillic in its path; the last line has no link line at all.
    const links = [`${plain.origin}/pages/home.html`, "", "/pages/say.html?q=1&r=2", "/pages/новости.html"];
    const linkFile = path.join(work, "links.txt");
    fs.writeFileSync(linkFile, links.join("\n") + "\n");
    const targets = captions.map((_, i) => {
      const l = links[i] || "#";
      return { href: l, path: l === "#" ? null : l.replace(plain.origin, "") };
    });

    // A script address is refused, and nothing is written.
    const refused = path.join(work, "refused");
    fs.mkdirSync(refused);
    const badLinks = path.join(work, "bad-links.txt");
    fs.writeFileSync(badLinks, "/pages/a.html\nJavaScript:alert(1)\n");
    const bad = spawnSync(program, ["render", template, "-o", path.join(refused, "nav.html"), "--web",
      "--links", badLinks, "--text-file", captionFile], { encoding: "utf8" });
    assert.notEqual(bad.status, 0, "a javascript: link is accepted");
    assert.match(bad.stderr, /line 2/, "the refusal names the line");
    assert.deepEqual(fs.readdirSync(refused), [], "files written despite the refused link");

    execFileSync(program, ["render", template, "-o", path.join(site, "nav.html"), "--web",
      "--links", linkFile, "--text-file", captionFile], { stdio: ["ignore", "inherit", "inherit"] });

    // The page holds no script and no inline style, and every picture has its 2x twin.
    const html = fs.readFileSync(path.join(site, "nav.html"), "utf8");
    assert.doesNotMatch(html, /<script|<style|\sstyle=|\son[a-z]+=/i, "script or inline style in nav.html");
    const sizes = captions.map((_, i) => {
      const k = i + 1;
      const [w, h] = pngSize(path.join(site, `nav_${k}.png`));
      assert.deepEqual(pngSize(path.join(site, `nav_${k}_hover.png`)), [w, h], `nav_${k}_hover.png size`);
      assert.deepEqual(pngSize(path.join(site, `nav_${k}@2x.png`)), [2 * w, 2 * h], `nav_${k}@2x.png size`);
      assert.deepEqual(pngSize(path.join(site, `nav_${k}_hover@2x.png`)), [2 * w, 2 * h], `nav_${k}_hover@2x.png size`);
      return [w, h];
    });

    browser = await chromium.launch(chromiumOptions());
    const url = `${plain.origin}/site/nav.html`;
    for (const scale of [1, 2]) {
      const context = await browser.newContext({ deviceScaleFactor: scale });
      await checkScale(context, url, scale, sizes);
      if (scale === 1) {
        await checkEnter(context, url, targets, plain);
        const rules = await checkAccessibility(context, url);
        console.log(`ok: accessible names, axe-core (${rules} rules pass)`);
      }
      await checkCsp(context, `${strict.origin}/site/nav.html`);
      await context.close();
      console.log(`ok: scale ${scale} (hover, focus, pictures, CSP)`);
    }
  } finally {
    if (browser) await browser.close();
    for (const s of servers) s.close();
    fs.rmSync(work, { recursive: true, force: true });
  }
}

run(main, "web page browser test passed");
