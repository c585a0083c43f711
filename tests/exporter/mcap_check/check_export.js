// Reads a file that torva-export wrote with an MCAP reader of its own
// (@mcap/core, the reader the Foxglove tools use) and checks it against the
// recording it came from, read here independently of the station's code:
//
//   node check_export.js RECORDING_DIR FILE.mcap [RECORDING_DIR FILE.mcap ...]
//
// For each pair, prints "FILE.mcap: ok: ..." when every check holds, else one
// "FILE.mcap: fail: ..." line a fault; ends with status 1 when any failed.
"use strict";

const fs = require("fs");
const path = require("path");
const { McapIndexedReader, McapStreamReader } = require("@mcap/core");
const Ajv = require("ajv");

let failures = [];
function check(ok, what) {
  if (!ok) failures.push(what);
  return ok;
}

// ---- the recording, as its files hold it ------------------------------------

function fileText(dir, name) {
  const p = path.join(dir, name);
  return fs.existsSync(p) ? fs.readFileSync(p, "latin1") : null;
}

// The whole lines after the header, split on the separator. A last line
// without its line end was cut by a crash and is not a row.
function rows(dir, name, separator) {
  const text = fileText(dir, name);
  if (text === null) return [];
  const lines = text.split("\n");
  lines.pop(); // after the last line end: empty, or the cut row
  return lines.slice(1).map((line) => line.replace(/\r$/, "").split(separator));
}

// Nanoseconds since 1970 that the run's time 0 stands for: inicio.txt, else
// the folder's name in local time.
function runStart(dir) {
  const text = fileText(dir, "inicio.txt");
  const m = text && /^(\d+)(?:\.(\d{1,9}))?\n$/.exec(text);
  if (m) return BigInt(m[1]) * 1000000000n + BigInt((m[2] || "").padEnd(9, "0"));
  const f = /^(\d{4})(\d{2})(\d{2})-(\d{2})(\d{2})(\d{2})/.exec(path.basename(path.resolve(dir)));
  if (!f) return 0n;
  const ms = new Date(+f[1], +f[2] - 1, +f[3], +f[4], +f[5], +f[6]).getTime();
  return BigInt(ms) * 1000000n;
}

function nmeaChecksumOk(sentence) {
  const star = sentence.indexOf("*");
  if (star < 0) return true;
  let sum = 0;
  for (let i = 1; i < star; i++) sum ^= sentence.charCodeAt(i);
  return parseInt(sentence.slice(star + 1, star + 3), 16) === sum;
}

// GGA sentences of the GPS line, each with the time of the read that ended it.
function ggaSentences(dir) {
  const bytes = fileText(dir, "gps.nmea");
  if (bytes === null) return [];
  const out = [];
  let offset = 0;
  let current = null;
  for (const [time, count] of rows(dir, "gps_tiempos.csv", ",")) {
    const n = Number(count);
    if (offset + n > bytes.length) break; // bytes cut by a crash
    for (const c of bytes.slice(offset, offset + n)) {
      if (c === "$") {
        current = "$";
      } else if (c === "\r" || c === "\n") {
        if (current !== null && /^\$G[PN]GGA,/.test(current) && nmeaChecksumOk(current)) {
          out.push({ seconds: time, fields: current.split("*")[0].split(",") });
        }
        current = null;
      } else if (current !== null) {
        current += c;
      }
    }
    offset += n;
  }
  return out;
}

function hasFix(f) {
  return f[2] !== "" && f[3] !== "" && f[4] !== "" && f[5] !== "" && f[6] !== "" && f[6] !== "0";
}

// "ddmm.mmmm" and its hemisphere as signed degrees.
function degrees(text, hemisphere, degreeDigits) {
  const v = Number(text.slice(0, degreeDigits)) + Number(text.slice(degreeDigits)) / 60;
  return hemisphere === "S" || hemisphere === "W" ? -v : v;
}

// ---- small helpers ------------------------------------------------------------

function at(start, seconds) {
  return start + BigInt(Math.round(Number(seconds) * 1e6)) * 1000n;
}

function stampNs(message) {
  return BigInt(message.timestamp.sec) * 1000000000n + BigInt(message.timestamp.nsec);
}

const crcTable = Array.from({ length: 256 }, (_, n) => {
  let c = n;
  for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  return c >>> 0;
});
function crc32(bytes) {
  let c = 0xffffffff;
  for (let i = 0; i < bytes.length; i++) c = crcTable[(c ^ bytes[i]) & 0xff] ^ (c >>> 8);
  return (c ^ 0xffffffff) >>> 0;
}

// A point of a grid cell's plane (x along its columns, y along its rows)
// in the grid's frame, through the grid's pose (a turn about z only).
function gridToFrame(grid, x, y) {
  const q = grid.pose.orientation;
  const yaw = 2 * Math.atan2(q.z, q.w);
  return [
    grid.pose.position.x + x * Math.cos(yaw) - y * Math.sin(yaw),
    grid.pose.position.y + x * Math.sin(yaw) + y * Math.cos(yaw),
  ];
}
function frameToCell(grid, px, py) {
  const q = grid.pose.orientation;
  const yaw = 2 * Math.atan2(q.z, q.w);
  const dx = px - grid.pose.position.x;
  const dy = py - grid.pose.position.y;
  const x = dx * Math.cos(yaw) + dy * Math.sin(yaw);
  const y = -dx * Math.sin(yaw) + dy * Math.cos(yaw);
  return [Math.floor(x / grid.cell_size.x), Math.floor(y / grid.cell_size.y)];
}

// ---- the checks ---------------------------------------------------------------

async function checkExport(dir, file) {
  const start = runStart(dir);
  const laser = rows(dir, "laser.tsv", "\t");
  const poses = rows(dir, "laser_pose.csv", ",");
  const scans = laser.slice(0, Math.min(laser.length, poses.length));
  const robot = rows(dir, "robot.csv", ",");
  const commands = rows(dir, "comandos.csv", ",")
    .map((r, i) => ({ r, i }))
    .sort((a, b) => Number(a.r[0]) - Number(b.r[0]) || a.i - b.i)
    .map((x) => x.r);
  const gga = ggaSentences(dir);
  const fixes = gga.filter((s) => hasFix(s.fields));
  const firstFix = gga.findIndex((s) => hasFix(s.fields));
  const shown = firstFix < 0 ? [] : gga.slice(firstFix);

  const expected = {
    "/laser": scans.length,
    "/tf": robot.length + scans.length,
    "/gps": fixes.length,
    "/gps/utm": shown.length,
    "/mapa": 1,
    "/robot": robot.length,
    "/comandos": commands.length,
  };

  const bytes = fs.readFileSync(file);
  const reader = await McapIndexedReader.Initialize({
    readable: {
      size: async () => BigInt(bytes.length),
      read: async (offset, size) => bytes.subarray(Number(offset), Number(offset + size)),
    },
  });

  // Channels, schemas and the statistics of the summary.
  const ajv = new Ajv({ allErrors: true });
  const validators = new Map();
  const topicOf = new Map();
  const schemaNames = {
    "/laser": "foxglove.LaserScan",
    "/tf": "foxglove.FrameTransform",
    "/gps": "foxglove.LocationFix",
    "/mapa": "foxglove.Grid",
  };
  for (const [id, channel] of reader.channelsById) {
    topicOf.set(id, channel.topic);
    check(channel.messageEncoding === "json", `${channel.topic}: encoding ${channel.messageEncoding}`);
    const schema = reader.schemasById.get(channel.schemaId);
    if (!check(schema && schema.encoding === "jsonschema", `${channel.topic}: no JSON Schema`)) continue;
    if (schemaNames[channel.topic]) {
      check(schema.name === schemaNames[channel.topic], `${channel.topic}: schema ${schema.name}`);
    }
    validators.set(id, ajv.compile(JSON.parse(Buffer.from(schema.data).toString("utf8"))));
  }
  check(
    JSON.stringify([...topicOf.values()].sort()) === JSON.stringify(Object.keys(expected).sort()),
    `topics ${[...topicOf.values()]}`,
  );
  const stats = reader.statistics;
  if (check(stats !== undefined, "no statistics")) {
    for (const [id, count] of stats.channelMessageCounts) {
      const topic = topicOf.get(id);
      check(Number(count) === expected[topic], `${topic}: statistics count ${count}, expected ${expected[topic]}`);
    }
    check(stats.chunkCount === reader.chunkIndexes.length, "statistics: chunk count");
  }
  const dataCrc = crc32(bytes.subarray(0, Number(reader.dataEndOffset)));
  check(reader.dataSectionCrc === dataCrc, `data section CRC ${reader.dataSectionCrc} != ${dataCrc}`);

  // Every message through the index: valid against its schema, its own
  // timestamp its log time, in time order per topic.
  const byTopic = {};
  for (const topic of Object.keys(expected)) byTopic[topic] = [];
  for await (const m of reader.readMessages()) {
    const topic = topicOf.get(m.channelId);
    const message = JSON.parse(Buffer.from(m.data).toString("utf8"));
    const validate = validators.get(m.channelId);
    if (validate && !validate(message)) {
      failures.push(`${topic}: ${ajv.errorsText(validate.errors)} in ${JSON.stringify(message).slice(0, 200)}`);
    }
    check(m.publishTime === m.logTime, `${topic}: publish time`);
    check(stampNs(message) === m.logTime, `${topic}: timestamp ${stampNs(message)} at ${m.logTime}`);
    byTopic[topic].push({ time: m.logTime, message });
  }
  for (const [topic, count] of Object.entries(expected)) {
    check(byTopic[topic].length === count, `${topic}: ${byTopic[topic].length} messages, expected ${count}`);
  }
  const timesAre = (topic, list) =>
    check(
      JSON.stringify(byTopic[topic].map((x) => String(x.time))) ===
        JSON.stringify(list.map((r) => String(at(start, r[0])))),
      `${topic}: times are not the recording's`,
    );
  timesAre("/laser", scans);
  timesAre("/robot", robot);
  timesAre("/comandos", commands);
  timesAre("/gps", fixes.map((s) => [s.seconds]));

  // The whole file in its order, every chunk's CRC checked: times never go back.
  const stream = new McapStreamReader({ validateCrcs: true });
  stream.append(bytes);
  let last = -1n;
  let inOrder = true;
  let streamed = 0;
  for (let r; (r = stream.nextRecord()); ) {
    if (r.type !== "Message") continue;
    ++streamed;
    inOrder = inOrder && r.logTime >= last;
    last = r.logTime;
  }
  check(stream.done(), "the stream reader did not reach the footer");
  check(inOrder, "messages go back in time in the file");
  check(streamed === Object.values(expected).reduce((a, b) => a + b, 0), `${streamed} messages streamed`);

  // A window of time read through the chunk indexes: exactly the scans in it.
  if (scans.length >= 3) {
    const from = at(start, scans[Math.floor(scans.length / 2)][0]);
    const to = at(start, scans[scans.length - 1][0]);
    let inWindow = 0;
    for await (const m of reader.readMessages({ topics: ["/laser"], startTime: from, endTime: to })) {
      check(m.logTime >= from && m.logTime <= to, "a scan outside the window");
      ++inWindow;
    }
    const want = scans.filter((r) => at(start, r[0]) >= from && at(start, r[0]) <= to).length;
    check(inWindow === want, `window: ${inWindow} scans, expected ${want}`);
  }

  // Every scan's readings as recorded, no echo as 0.
  const recordedRange = (text) => (Number(text) >= 50 ? 0 : Number(text));
  byTopic["/laser"].forEach((x, i) => {
    const want = scans[i].slice(2).map(recordedRange);
    check(JSON.stringify(x.message.ranges) === JSON.stringify(want), `scan ${i}: readings`);
  });

  // A scan field by field: one with a no-echo reading if there is one.
  let k = scans.findIndex((r) => r.slice(2).some((v) => Number(v) >= 50));
  if (k < 0) k = scans.length - 1;
  if (k >= 0) {
    const s = byTopic["/laser"][k].message;
    const readings = scans[k].slice(2);
    check(s.frame_id === "laser", "scan: frame");
    check(s.start_angle === -Math.PI / 2, `scan: start angle ${s.start_angle}`);
    check(
      Math.abs(s.end_angle - (-Math.PI / 2 + ((readings.length - 1) * Math.PI) / 360)) < 1e-12,
      `scan: end angle ${s.end_angle}`,
    );
    check(s.ranges.length === readings.length, "scan: number of readings");
    readings.forEach((text, i) => {
      check(s.ranges[i] === recordedRange(text), `scan ${k} reading ${i}: ${s.ranges[i]}, recorded ${text}`);
    });
    check(s.intensities.length === 0, "scan: intensities");
    const p = s.pose;
    check(
      p.position.x === 0 && p.position.y === 0 && p.position.z === 0 && p.orientation.w === 1,
      "scan: pose",
    );
  }

  // A fix field by field: the first one.
  if (fixes.length > 0) {
    const f = fixes[0].fields;
    const g = byTopic["/gps"][0].message;
    check(g.frame_id === "base_link", "fix: frame");
    check(Math.abs(g.latitude - degrees(f[2], f[3], 2)) < 1e-12, `fix: latitude ${g.latitude}`);
    check(Math.abs(g.longitude - degrees(f[4], f[5], 3)) < 1e-12, `fix: longitude ${g.longitude}`);
    check(g.altitude === Math.trunc(Number(f[9])), `fix: altitude ${g.altitude}, sentence ${f[9]}`);
    check(g.position_covariance.length === 9 && g.position_covariance.every((v) => v === 0), "fix: covariance");
    check(g.position_covariance_type === 0, "fix: covariance type");
  }

  // The station's easting and northing, the position from the first fix and
  // the step from the one before, each position kept as a float (the panel's).
  const utm = byTopic["/gps/utm"].map((x) => x.message);
  utm.forEach((u, i) => {
    check(u.x_m === u.este_m - utm[0].este_m && u.y_m === u.norte_m - utm[0].norte_m, `utm ${i}: position`);
    if (i === 0) return;
    const step = (a, b) => Math.fround(Math.fround(a) - Math.fround(b));
    check(u.paso_x_m === step(u.x_m, utm[i - 1].x_m), `utm ${i}: step x ${u.paso_x_m}`);
    check(u.paso_y_m === step(u.y_m, utm[i - 1].y_m), `utm ${i}: step y ${u.paso_y_m}`);
  });

  // Poses: odom -> base_link from each status row, base_link -> laser fixed.
  const tf = byTopic["/tf"].map((x) => x.message);
  const robotTf = tf.filter((t) => t.child_frame_id === "base_link");
  check(robotTf.length === robot.length, "tf: one odom -> base_link a status row");
  robotTf.forEach((t, i) => {
    const r = robot[i];
    const yaw = 2 * Math.atan2(t.rotation.z, t.rotation.w);
    const want = (Number(r[3]) * Math.PI) / 180;
    check(t.parent_frame_id === "odom", "tf: parent");
    check(t.translation.x === Number(r[1]) / 1000 && t.translation.y === Number(r[2]) / 1000, `tf ${i}: position`);
    check(Math.abs(Math.atan2(Math.sin(yaw - want), Math.cos(yaw - want))) < 1e-9, `tf ${i}: heading`);
  });
  check(
    tf.filter((t) => t.parent_frame_id === "base_link" && t.child_frame_id === "laser").length === scans.length,
    "tf: one base_link -> laser a scan",
  );

  // The map: the start cell (the track) on the first status row's pose, and
  // the far end of a scan's reading on a hit.
  const grid = byTopic["/mapa"][0] && byTopic["/mapa"][0].message;
  if (grid) {
    const data = Buffer.from(grid.data, "base64");
    const n = grid.column_count;
    check(grid.frame_id === "odom" && grid.cell_stride === 1 && grid.row_stride === n, "map: layout");
    check(data.length === n * n, `map: ${data.length} bytes for ${n} x ${n}`);
    check(byTopic["/mapa"][0].time <= (byTopic["/laser"][0] || { time: 1n << 62n }).time, "map: after the run's start");
    const cell = (c, r) => (c >= 0 && r >= 0 && c < n && r < n ? data[r * n + c] : -1);
    const origin = robot.length > 0 ? [Number(robot[0][1]) / 1000, Number(robot[0][2]) / 1000] : [0, 0];
    const [cx, cy] = gridToFrame(grid, (n / 2 + 0.5) * grid.cell_size.x, (n / 2 + 0.5) * grid.cell_size.y);
    check(Math.hypot(cx - origin[0], cy - origin[1]) < 1e-9, `map: start cell at ${cx}, ${cy}`);
    check(cell(n / 2, n / 2) === 2, "map: the start cell is on the track");
    const k2 = scans.findIndex((r) => Number(r[2 + 180]) < 20);
    if (k2 >= 0) {
      const [, row, col, heading] = poses[k2].map(Number);
      const rng = Number(scans[k2][2 + 180]);
      const px = origin[0] + (row - 250) * 0.1 + rng * Math.cos(heading);
      const py = origin[1] - (col - 250) * 0.1 + rng * Math.sin(heading);
      const [c, r] = frameToCell(grid, px, py);
      let hit = false;
      for (let dr = -1; dr <= 1; dr++) for (let dc = -1; dc <= 1; dc++) hit = hit || cell(c + dc, r + dr) === 1;
      check(hit, `map: no hit near the end of scan ${k2}'s reading ahead (${px}, ${py})`);
    }
  }

  const total = Object.values(expected).reduce((a, b) => a + b, 0);
  return `ok: ${total} messages in ${reader.chunkIndexes.length} chunks`;
}

async function main() {
  const args = process.argv.slice(2);
  if (args.length === 0 || args.length % 2 !== 0) {
    console.error("usage: node check_export.js RECORDING_DIR FILE.mcap [RECORDING_DIR FILE.mcap ...]");
    process.exit(2);
  }
  let status = 0;
  for (let i = 0; i < args.length; i += 2) {
    failures = [];
    let verdict;
    try {
      verdict = await checkExport(args[i], args[i + 1]);
    } catch (e) {
      failures.push(String(e.stack || e));
    }
    if (failures.length === 0) {
      console.log(`${args[i + 1]}: ${verdict}`);
      continue;
    }
    status = 1;
    for (const f of failures.slice(0, 40)) console.log(`${args[i + 1]}: fail: ${f}`);
    if (failures.length > 40) console.log(`${args[i + 1]}: fail: ... and ${failures.length - 40} more`);
  }
  process.exit(status);
}

main();
