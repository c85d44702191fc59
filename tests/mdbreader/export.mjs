// SPDX-License-Identifier: GPL-3.0-or-later
// Prints one table of an .mdb file as CSV in quillbox-mdb's export conventions, read through the
// independent mdb-reader package: text-like values quoted ("" for a quote), numbers and Yes/No
// (1/0) bare, NULL as an empty unquoted field, dates as "YYYY-MM-DD HH:MM:SS" (UTC) followed by
// ".mmm" when they have milliseconds, binary as upper-case hex. Usage: node export.mjs FILE TABLE
// [PASSWORD]
import { readFileSync } from "node:fs";
import MDBReader from "mdb-reader";

const [file, tableName, password] = process.argv.slice(2);
const reader = new MDBReader(readFileSync(file), password ? { password } : undefined);
const table = reader.getTable(tableName);
const columns = table.getColumns();

const pad = (n) => String(n).padStart(2, "0");
const quote = (s) => `"${s.replaceAll('"', '""')}"`;

function cell(value, type) {
    if (value === null || value === undefined) return "";
    if (typeof value === "boolean") return value ? "1" : "0";
    if (value instanceof Date) {
        const d = value;
        const ms = d.getUTCMilliseconds();
        return quote(`${String(d.getUTCFullYear()).padStart(4, "0")}-${pad(d.getUTCMonth() + 1)}-${pad(d.getUTCDate())} `
            + `${pad(d.getUTCHours())}:${pad(d.getUTCMinutes())}:${pad(d.getUTCSeconds())}`
            + (ms ? "." + String(ms).padStart(3, "0") : ""));
    }
    if (Buffer.isBuffer(value) || value instanceof Uint8Array) return quote(Buffer.from(value).toString("hex").toUpperCase());
    if (typeof value === "number" || typeof value === "bigint") return String(value);
    if (type === "currency" || type === "numeric") return String(value);
    return quote(String(value));
}

const lines = [columns.map((c) => c.name).join(",")];
for (const row of table.getData()) lines.push(columns.map((c) => cell(row[c.name], c.type)).join(","));
process.stdout.write(lines.join("\n") + "\n");
