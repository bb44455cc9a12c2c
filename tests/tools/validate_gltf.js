// Validates a glTF file with the Khronos validator; exits 1 when it reports errors.
const fs = require('fs');
const validator = require('gltf-validator');

const bytes = new Uint8Array(fs.readFileSync(process.argv[2]));
validator.validateBytes(bytes).then((report) => {
  for (const message of report.issues.messages) {
    if (message.severity === 0) console.log(`${message.code}: ${message.message} (${message.pointer || ''})`);
  }
  process.exit(report.issues.numErrors > 0 ? 1 : 0);
}, (error) => {
  console.log(String(error));
  process.exit(2);
});
