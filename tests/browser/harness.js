// What the browser tests share: the command line they take, the template they render, the
// program's private app folder, a small HTTP server, the chromium launch options and the
// way a test reports its end.
"use strict";

const fs = require("node:fs");
const http = require("node:http");
const path = require("node:path");

// CORVANTI_CLI and BIN_DIR from the command line, or the usage and exit code 2.
function cliArgs(script) {
  const [cli, binDir] = process.argv.slice(2);
  if (!cli || !binDir) {
    console.error(`usage: node ${script} CORVANTI_CLI BIN_DIR`);
    process.exit(2);
  }
  return { cli, binDir };
}

// A 24-bit BMP file: bottom-up rows padded to four bytes.
function bmp(width, height, colourAt) {
  const stride = (width * 3 + 3) & ~3;
  const size = 54 + stride * height;
  const b = Buffer.alloc(size);
  b.write("BM", 0, "latin1");
  b.writeUInt32LE(size, 2);
  b.writeUInt32LE(54, 10);
  b.writeUInt32LE(40, 14);
  b.writeInt32LE(width, 18);
  b.writeInt32LE(height, 22);
  b.writeUInt16LE(1, 26);
  b.writeUInt16LE(24, 28);
  b.writeUInt32LE(stride * height, 34);
  for (let y = 0; y < height; ++y) {
    const row = 54 + (height - 1 - y) * stride;
    for (let x = 0; x < width; ++x) {
      const [r, g, bl] = colourAt(x, y);
      b[row + 3 * x] = bl;
      b[row + 3 * x + 1] = g;
      b[row + 3 * x + 2] = r;
    }
  }
  return b;
}

// A template with embedded pictures: a rounded-looking bar with a light top and dark bottom,
// and `caption` as its text (lines separated by CR LF).
function writeTemplate(file, caption) {
  const w = 90;
  const h = 20;
  const master = bmp(w, h, (x, y) => {
    if (y === 0) return [220, 230, 250];
    if (y === h - 1 || x === 0 || x === w - 1) return [20, 30, 70];
    return [40, 80 + 4 * y, 170];
  });
  const settings =
    "<BUTTON1-OPENFILE>InsideXMLFile</BUTTON1-OPENFILE>\r\n" +
    `<BUTTON1-TEXT>${caption}</BUTTON1-TEXT>\r\n` +
    "<BUTTON1-TEXT.TBG>Y</BUTTON1-TEXT.TBG>\r\n";
  fs.writeFileSync(
    file,
    Buffer.concat([
      Buffer.from(settings + "<BmpImage>", "latin1"),
      master,
      Buffer.from("</BmpImage>\r\n<BmpShadowImage>", "latin1"),
      master,
      Buffer.from("</BmpShadowImage>\r\n<BmpBGImage></BmpBGImage>", "latin1"),
    ]),
  );
}

// The program (with the renderer module it loads from its own folder) in an app folder of
// its own: every load writes its scratch pictures into temp/, and other tests running
// beside this one must not read them.
function privateCli(cli, binDir, app) {
  fs.mkdirSync(path.join(app, "temp"), { recursive: true });
  for (const file of [cli, path.join(path.dirname(cli), "corvanti-render.so")]) {
    const copy = path.join(app, path.basename(file));
    try {
      fs.linkSync(file, copy);
    } catch (e) {
      fs.copyFileSync(file, copy);
      fs.chmodSync(copy, 0o755);
    }
  }
  fs.copyFileSync(path.join(binDir, "script.txt"), path.join(app, "script.txt"));
  return path.join(app, path.basename(cli));
}

// An HTTP server on a free port of 127.0.0.1, answering with `handler`; resolves once it
// listens, with its address in `origin`.
function listen(handler) {
  const server = http.createServer(handler);
  return new Promise((resolve) =>
    server.listen(0, "127.0.0.1", () => {
      server.origin = `http://127.0.0.1:${server.address().port}`;
      resolve(server);
    }),
  );
}

// Answers with the file `name` of `folder`, as a web server would, or 404 for anything not
// inside the folder. The content type comes from `types` by the file's ending, else
// `fallback`; `headers` go with every answer.
function sendFile(res, folder, name, { types, fallback, headers = {} }) {
  const file = path.join(folder, name);
  if (!file.startsWith(folder + path.sep) || !fs.existsSync(file)) {
    res.writeHead(404, headers).end();
    return;
  }
  const type = types[path.extname(file)] || fallback;
  res.writeHead(200, { "Content-Type": type, ...headers }).end(fs.readFileSync(file));
}

// The last path component of a URL, decoded back to the file name.
function fileOf(url) {
  return decodeURIComponent(new URL(url).pathname.split("/").pop());
}

// How the tests start Debian's chromium (CORVANTI_CHROMIUM names another one).
function chromiumOptions() {
  return {
    executablePath: process.env.CORVANTI_CHROMIUM || "/usr/bin/chromium",
    headless: true,
    args: [
      "--no-sandbox",
      "--disable-gpu",
      "--disable-quic",
      "--no-first-run",
      "--disable-background-networking",
      "--disable-component-update",
      "--disable-sync",
    ],
  };
}

// Runs the test's main function: `passed` when it ends, or the error and exit code 1.
function run(main, passed) {
  main().then(
    () => console.log(passed),
    (e) => {
      console.error(e && e.stack ? e.stack : e);
      process.exit(1);
    },
  );
}

module.exports = { cliArgs, bmp, writeTemplate, privateCli, listen, sendFile, fileOf, chromiumOptions, run };
