#!/usr/bin/env node
// Renders button pages with corvanti-cli and drives them in Debian's chromium: every button
// link in both tables swaps its picture to the mouse-over picture and back, and every
// picture the page names loads, also when the base name holds characters that would break
// HTML attributes or script strings.
//
// usage: node page_test.js CORVANTI_CLI BIN_DIR
"use strict";

const assert = require("node:assert/strict");
const { execFileSync } = require("node:child_process");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { pathToFileURL } = require("node:url");
const { cliArgs, writeTemplate, privateCli, listen, sendFile, fileOf, chromiumOptions, run } = require("./harness");

let chromium;
try {
  ({ chromium } = require("playwright-core"));
} catch (e) {
  console.error("playwright-core is missing: run scripts/setup (npm install in tests/browser)");
  process.exit(1);
}

const { cli, binDir } = cliArgs("page_test.js");

function render(program, template, output) {
  execFileSync(program, ["render", template, "-o", output], { stdio: ["ignore", "inherit", "inherit"] });
}

// Serves one folder over HTTP, as a web server would put the pages online.
function serve(folder) {
  return listen((req, res) => {
    const name = decodeURIComponent(new URL(req.url, "http://x").pathname).replace(/^\/+/, "");
    sendFile(res, folder, name, { types: { ".gif": "image/gif" }, fallback: "text/html" });
  });
}

async function checkPage(context, url, base, lines) {
  const page = await context.newPage();
  const errors = [];
  page.on("pageerror", (e) => errors.push(String(e)));
  page.on("console", (m) => {
    if (m.type() === "error" && !m.text().startsWith("Failed to load resource")) errors.push(m.text());
  });
  // The browser asks every server for a favicon; only the page's own files count.
  page.on("response", (r) => {
    if (r.status() >= 400 && !r.url().endsWith("/favicon.ico")) errors.push(`${r.status()} ${r.url()}`);
  });
  page.on("requestfailed", (r) => errors.push(`failed ${r.url()}`));
  await page.goto(url, { waitUntil: "load" });

  // Every picture the page shows and every one it preloads is there.
  const shown = await page.evaluate(() =>
    Array.from(document.images, (img) => ({ src: img.src, width: img.naturalWidth })),
  );
  assert.equal(shown.length, 2 * lines, `${url}: two tables of ${lines} pictures`);
  for (const img of shown) assert.ok(img.width > 0, `${url}: ${img.src} does not load`);
  const preloaded = await page.evaluate(() =>
    Promise.all(
      preload.map(
        (name) =>
          new Promise((resolve) => {
            const img = new Image();
            img.onload = () => resolve({ name, width: img.naturalWidth, src: img.src });
            img.onerror = () => resolve({ name, width: 0, src: img.src });
            img.src = name;
          }),
      ),
    ),
  );
  assert.deepEqual(
    preloaded.map((p) => fileOf(p.src)),
    Array.from({ length: lines }, (_, i) => `${base}_${i + 1}_mouseover.gif`),
    `${url}: the preload list`,
  );
  for (const p of preloaded) assert.ok(p.width > 0, `${url}: preloaded ${p.src} does not load`);

  // Each button of the row table, then each of the column table.
  const links = await page.$$("a");
  assert.equal(links.length, 2 * lines);
  for (let i = 0; i < links.length; ++i) {
    const k = (i % lines) + 1;
    const img = await links[i].$("img");
    assert.equal(fileOf(await img.evaluate((e) => e.src)), `${base}_${k}.gif`);

    await links[i].hover();
    await page.waitForFunction((e) => e.complete, img);
    const over = await img.evaluate((e) => ({ src: e.src, width: e.naturalWidth }));
    assert.equal(fileOf(over.src), `${base}_${k}_mouseover.gif`, `${url}: link ${i + 1} on hover`);
    assert.ok(over.width > 0, `${url}: ${over.src} does not load`);

    await page.mouse.move(1, 1);
    const back = await img.evaluate((e) => e.src);
    assert.equal(fileOf(back), `${base}_${k}.gif`, `${url}: link ${i + 1} after the mouse left`);
  }
  assert.deepEqual(errors, [], `${url}: script errors`);
  await page.close();
}

async function main() {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), "corvanti-browser-"));
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "corvanti-chromium-"));
  let context;
  let server;
  try {
    const program = privateCli(cli, binDir, path.join(work, "app"));
    const template = path.join(work, "t.btt");
    // An empty line among the captions still gets its button.
    writeTemplate(template, "Home\r\n\r\nNews\r\nContact");

    const cases = [
      { folder: "plain", base: "nav", lines: 4 },
      // Everything that would end an attribute or a script string, and a dot.
      { folder: "hostile", base: `it's "<b>&\\ a.b`, lines: 4 },
    ];
    const shipped = path.join(binDir, "media", "button", "zuri-color.btt");
    if (fs.existsSync(shipped)) cases.push({ folder: "shipped", base: "buttons", template: shipped });
    for (const c of cases) {
      const dir = path.join(work, c.folder);
      fs.mkdirSync(dir);
      render(program, c.template || template, path.join(dir, `${c.base}.gif`));
      if (c.lines === undefined) {
        c.lines = fs.readdirSync(dir).filter((f) => /_\d+_mouseover\.gif$/.test(f)).length;
      }
    }

    context = await chromium.launchPersistentContext(profile, chromiumOptions());
    server = await serve(work);
    const port = server.address().port;

    for (const c of cases) {
      const page = path.join(work, c.folder, `${c.base}.htm`);
      // As the preview opens it, and as a web server delivers it.
      await checkPage(context, pathToFileURL(page).href, c.base, c.lines);
      const httpPath = [c.folder, `${c.base}.htm`].map(encodeURIComponent).join("/");
      await checkPage(context, `http://127.0.0.1:${port}/${httpPath}`, c.base, c.lines);
      console.log(`ok: ${c.folder} (${c.lines} buttons, file:// and http://)`);
    }
  } finally {
    if (context) await context.close();
    if (server) server.close();
    fs.rmSync(work, { recursive: true, force: true });
    fs.rmSync(profile, { recursive: true, force: true });
  }
}

run(main, "browser test passed");
