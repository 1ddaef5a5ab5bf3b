// The wall page: one tile per display, refreshed from zold every second, and actions on the tiles the
// person selected. Plain DOM, no framework, nothing fetched from anywhere but zold itself.
"use strict";

const POLL_MS = 1000;
const REQUEST_TIMEOUT_MS = 30000; // an action on a slow wall may take a sweep's time
const PARALLEL_REQUESTS = 8;       // actions on many displays, so many at a time
const TOKEN_KEY = "zold.token";
const LARGE_WALL = 120; // displays; more are drawn in small tiles

const $ = (id) => document.getElementById(id);
const tiles = new Map(); // display name -> its tile's button
const selected = new Set();
let operations = [];

// What a tile shows and how it is coloured: a display never polled, one that did not answer its last
// poll, and one that did, by its power.
function stateOf(display) {
  if (display.error === "never-polled") return "never-polled";
  if (!display.responding) return "not-responding";
  if (display.power === "on" || display.power === "off") return display.power;
  return "unknown";
}

const STATE_TEXT = {
  "on": "On",
  "off": "Off",
  "not-responding": "Not responding",
  "never-polled": "Never polled",
  "unknown": "Power unknown",
};

function agoText(ms) {
  if (ms === null || ms === undefined) return "never seen";
  if (ms < 1500) return "seen just now";
  const seconds = Math.round(ms / 1000);
  if (seconds < 120) return `seen ${seconds} s ago`;
  const minutes = Math.round(seconds / 60);
  if (minutes < 120) return `seen ${minutes} min ago`;
  return `seen ${Math.round(minutes / 60)} h ago`;
}

function span(className) {
  const element = document.createElement("span");
  element.className = className;
  return element;
}

function makeTile(name) {
  const item = document.createElement("li");
  const button = document.createElement("button");
  button.type = "button";
  button.dataset.display = name;
  button.setAttribute("aria-pressed", "false");
  button.append(span("name"), span("power"), span("seen"));
  button.querySelector(".name").textContent = name;
  button.addEventListener("click", () => setSelected(name, !selected.has(name)));
  item.append(button);
  return item;
}

// A small tile has room for a word only.
const SHORT_TEXT = { ...STATE_TEXT, "not-responding": "No reply", "never-polled": "Not polled", "unknown": "Unknown" };

function updateTile(button, display, small) {
  const state = stateOf(display);
  const failure = state === "not-responding" ? `${display.error}, ` : "";
  button.dataset.state = state;
  button.dataset.responding = String(Boolean(display.responding));
  button.querySelector(".power").textContent = (small ? SHORT_TEXT : STATE_TEXT)[state];
  button.querySelector(".seen").textContent = failure + agoText(display.lastSeenAgoMs);
  const rtt = display.rttMs === null || display.rttMs === undefined ? "" : `, ${display.rttMs} ms`;
  button.title = `${display.name}: ${display.address}, ID ${display.id}${rtt}` +
                 (display.groups && display.groups.length ? `, groups ${display.groups.join(" ")}` : "");
}

// Tiles follow the inventory's order; a display that left the inventory loses its tile and its selection.
function showDisplays(displays) {
  const wall = $("wall");
  // A large wall is drawn in small tiles, so that a screen holds more of it.
  const large = displays.length > LARGE_WALL;
  wall.dataset.size = large ? "large" : "small";
  const seen = new Set();
  const counts = {};
  let previous = null;
  for (const display of displays) {
    seen.add(display.name);
    let button = tiles.get(display.name);
    if (!button) {
      const item = makeTile(display.name);
      button = item.firstChild;
      tiles.set(display.name, button);
    }
    const item = button.parentElement;
    const wanted = previous ? previous.nextSibling : wall.firstChild;
    if (wanted !== item) wall.insertBefore(item, wanted);
    previous = item;
    updateTile(button, display, large);
    counts[button.dataset.state] = (counts[button.dataset.state] || 0) + 1;
  }
  for (const [name, button] of tiles) {
    if (!seen.has(name)) {
      button.parentElement.remove();
      tiles.delete(name);
      selected.delete(name);
    }
  }
  $("counts").textContent = Object.keys(STATE_TEXT).filter((state) => counts[state])
      .map((state) => `${counts[state]} ${STATE_TEXT[state].toLowerCase()}`).join(", ");
  showSelection();
}

// The displays' names in the order of their tiles.
function wallNames() {
  return [...$("wall").querySelectorAll("[data-display]")].map((tile) => tile.dataset.display);
}

function showSweep(sweep, failure) {
  const text = failure ? `zold unreachable: ${failure}` :
      sweep && sweep.completedAt ?
      `Last sweep ${new Date(sweep.completedAt).toLocaleTimeString()}, took ${sweep.durationMs} ms` :
      "Waiting for the first sweep";
  $("sweep").textContent = text;
  $("sweep").dataset.failed = failure ? "true" : "false";
}

async function fetchJson(path, { timeoutMs = REQUEST_TIMEOUT_MS, ...options } = {}) {
  const controller = new AbortController();
  const timer = setTimeout(() => controller.abort(), timeoutMs);
  try {
    const response = await fetch(path, { ...options, signal: controller.signal });
    let body = null;
    try {
      body = await response.json();
    } catch {
      body = null;
    }
    return { ok: response.ok, status: response.status, body };
  } finally {
    clearTimeout(timer);
  }
}

// One poll at a time: the next starts a second after the last one ended, however long it took.
async function poll() {
  try {
    const { ok, status, body } = await fetchJson("/api/v1/displays", { timeoutMs: 5000 });
    if (!ok || !body || !Array.isArray(body.displays)) {
      showSweep(null, `HTTP ${status}`);
    } else {
      showDisplays(body.displays);
      showSweep(body.sweep, null);
    }
  } catch (error) {
    showSweep(null, error.name === "AbortError" ? "no answer" : error.message);
  }
  setTimeout(poll, POLL_MS);
}

function setSelected(name, on) {
  if (on) selected.add(name);
  else selected.delete(name);
  showSelection();
}

function showSelection() {
  for (const [name, button] of tiles) {
    button.setAttribute("aria-pressed", String(selected.has(name)));
  }
  $("selected-count").textContent = `${selected.size} selected`;
  const none = selected.size === 0;
  $("refresh").disabled = none;
  $("run-operation").disabled = none || !$("operation").value;
}

function showOperations(list) {
  operations = list;
  const select = $("operation");
  select.replaceChildren(new Option("(choose an operation)", ""));
  for (const operation of list) select.append(new Option(operation.name, operation.name));
  select.disabled = list.length === 0;
  showArguments();
}

function showArguments() {
  const holder = $("operation-arguments");
  holder.replaceChildren();
  const operation = operations.find((each) => each.name === $("operation").value);
  for (const [index, argument] of (operation ? operation.arguments : []).entries()) {
    const input = document.createElement("input");
    input.id = `argument-${index}`;
    input.dataset.argument = argument.name;
    input.placeholder = argument.syntax;
    input.required = true;
    const label = document.createElement("label");
    label.htmlFor = input.id;
    label.textContent = argument.name;
    label.title = argument.syntax;
    holder.append(label, input);
  }
  showSelection();
}

async function loadOperations() {
  try {
    const { ok, body } = await fetchJson("/api/v1/operations", { timeoutMs: 5000 });
    if (ok && body && Array.isArray(body.operations)) {
      showOperations(body.operations);
      return;
    }
  } catch {
    // tried again below
  }
  setTimeout(loadOperations, 5 * POLL_MS);
}

function headers() {
  const result = { "Content-Type": "application/json" };
  const token = $("token").value.trim();
  if (token) result.Authorization = `Bearer ${token}`;
  return result;
}

// Runs one POST per selected display, a few at a time, and collects every result and refusal.
async function runOnSelection(what, pathFor, body) {
  const names = wallNames().filter((name) => selected.has(name));
  const rows = [];
  const refusals = [];
  let next = 0;
  showResults(what, rows, refusals, names.length);
  async function worker() {
    while (next < names.length) {
      const name = names[next++];
      try {
        const reply = await fetchJson(pathFor(encodeURIComponent(name)),
                                      { method: "POST", headers: headers(), body: JSON.stringify(body) });
        if (reply.ok && reply.body && Array.isArray(reply.body.results)) {
          rows.push(...reply.body.results);
        } else {
          refusals.push({ name, status: reply.status,
                          error: (reply.body && reply.body.error) || `HTTP ${reply.status}`,
                          message: (reply.body && reply.body.message) || "" });
        }
      } catch (error) {
        refusals.push({ name, status: 0, error: "unreachable", message: error.message });
      }
    }
  }
  const workers = [];
  for (let i = 0; i < Math.min(PARALLEL_REQUESTS, names.length); ++i) workers.push(worker());
  await Promise.all(workers);
  showResults(what, rows, refusals, 0);
}

function cell(text) {
  const td = document.createElement("td");
  td.textContent = text;
  return td;
}

function valuesText(row) {
  const outs = row.outs && typeof row.outs === "object" ? row.outs : {};
  const changed = Array.isArray(row.changed) ? row.changed : [];
  const parts = Object.entries(outs).map(([key, value]) => `${key}=${JSON.stringify(value)}`);
  if (changed.length) parts.push(`changed: ${changed.join(", ")}`);
  return parts.join(" ");
}

// Results in the wall's order, whatever order the answers came in.
function inWallOrder(entries) {
  const order = new Map(wallNames().map((name, index) => [name, index]));
  const position = (entry) => (order.has(entry.name) ? order.get(entry.name) : order.size);
  return [...entries].sort((a, b) => position(a) - position(b));
}

function showResults(what, rows, refusals, pending) {
  const summary = $("results-summary");
  const table = $("results-table");
  const body = table.querySelector("tbody");
  body.replaceChildren();
  for (const refusal of inWallOrder(refusals)) {
    const tr = document.createElement("tr");
    tr.dataset.result = refusal.name;
    tr.dataset.status = "refused";
    tr.dataset.refusal = refusal.error;
    tr.append(cell(refusal.name), cell(`refused (${refusal.status || "-"})`),
              cell(refusal.error), cell(refusal.message), cell(""));
    body.append(tr);
  }
  for (const row of inWallOrder(rows)) {
    const tr = document.createElement("tr");
    tr.dataset.result = row.name;
    tr.dataset.status = row.error === "ok" ? "ok" : "failed";
    tr.append(cell(row.name), cell(row.error === "ok" ? "ok" : `failed (${row.status})`),
              cell(row.error), cell(valuesText(row)),
              cell(row.elapsedMs === undefined ? "" : `${row.elapsedMs} ms`));
    body.append(tr);
  }
  table.hidden = rows.length + refusals.length === 0;
  const ok = rows.filter((row) => row.error === "ok").length;
  summary.textContent = pending ? `${what}: ${pending} display(s) asked...` :
      `${what}: ${ok} ok, ${rows.length - ok} failed, ${refusals.length} refused`;
  if (refusals.length) summary.dataset.refused = "true";
  else delete summary.dataset.refused;
  summary.dataset.done = pending ? "false" : "true";
}

function refreshSelection() {
  return runOnSelection("Refresh", (name) => `/api/v1/displays/${name}/refresh`, {});
}

function runOperation() {
  const operation = $("operation").value;
  const inputs = [...$("operation-arguments").querySelectorAll("input")];
  const missing = inputs.find((input) => !input.value.trim());
  if (missing) {
    missing.focus();
    return Promise.resolve();
  }
  return runOnSelection(operation,
                        (name) => `/api/v1/displays/${name}/ops/${encodeURIComponent(operation)}`,
                        { arguments: inputs.map((input) => input.value.trim()) });
}

// Keeps a click from starting a second run of the same action before the first is over.
function oneAtATime(button, action) {
  button.addEventListener("click", async () => {
    if (button.dataset.busy === "true") return;
    button.dataset.busy = "true";
    try {
      await action();
    } finally {
      delete button.dataset.busy;
    }
  });
}

function start() {
  const token = $("token");
  token.value = sessionStorage.getItem(TOKEN_KEY) || "";
  token.addEventListener("input", () => sessionStorage.setItem(TOKEN_KEY, token.value));
  $("select-all").addEventListener("click", () => {
    for (const name of tiles.keys()) selected.add(name);
    showSelection();
  });
  $("select-none").addEventListener("click", () => {
    selected.clear();
    showSelection();
  });
  $("operation").addEventListener("change", showArguments);
  oneAtATime($("refresh"), refreshSelection);
  oneAtATime($("run-operation"), runOperation);
  $("controls").addEventListener("submit", (event) => event.preventDefault());
  loadOperations();
  poll();
}

start();
